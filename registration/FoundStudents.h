#pragma once

#include <QString>

#include <vector>

namespace zev {

class Connection;

// One place in which the selection cascade reaches a student: the keys of the seven drop-downs
// from faculty to student, with the names the search list shows.
struct FoundStudent {
    qint64 student = 0;
    qint64 faculty = 0;
    qint64 formOfEducation = 0;
    qint64 speciality = 0;
    qint64 year = 0;
    qint64 semester = 0;
    qint64 group = 0;
    QString name;
    QString formName;
    QString specialityName;
    QString yearName;
    QString semesterName;
    QString groupName;
};

// The students whose name begins with the text (any letter case, ё and е alike) of the faculties
// assigned to the member of staff, as the server's FindStudent answers; nothing for a blank text.
std::vector<FoundStudent> findStudents(Connection& connection, qint32 userId, const QString& text);

}  // namespace zev
