#pragma once

#include <QString>

// Statements and filters composed for the electives grid and its lists. Values arrive as their
// text form (decimal digits of a key, the empty text for null) and are spliced in as they are.
namespace zev::ElectivesSql {

// Teacher list: every teacher, one department's teachers, or no rows at all.
QString allTeachers();
QString teachersOfDepartment(const QString& department);
QString noTeachers();

// Removal of one elective place's row.
QString deleteElective(const QString& idDisciplineForStudent);

// Filter of the discipline list to one group of alternatives.
QString disciplineGroupFilter(const QString& descGroupNum);
// Filter of the semester list to one academic year and group, or to nothing.
QString semesterFilter(const QString& year, const QString& group);
QString noSemesterFilter();

// Filter of the stream list to the streams that fit an electives row, or to nothing.
struct StreamKeys {
    QString kafedra, teacher, discipline, examination, year, idWs;
};
QString streamFilter(const StreamKeys& keys);
QString noStreamFilter();

// A new stream for an electives row. Its capacity (places) is optional: without one the
// statement is the one the stream table has always been given, and the stream is unlimited.
struct NewStream {
    QString kafedra, teacher, discipline, examination, year, idWs, number, oZ, semester;
    QString capacity;
};
QString insertStream(const NewStream& stream);

}  // namespace zev::ElectivesSql
