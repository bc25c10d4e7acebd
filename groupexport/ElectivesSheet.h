#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace zev {

class Connection;

// One elective place of one student as the export and the printed sheet show it: the names of
// what is chosen for the place, empty where nothing is.
struct ElectivePlace {
    QString speciality;  // filled in a faculty's sheet only
    QString group;       // likewise
    QString student;
    QString discipline;    // the chosen discipline
    QString alternatives;  // the group of alternatives: its curriculum code, else its number
    QString teacher;
    std::optional<qint64> stream;
    QString year;         // the academic year in which the discipline is taken
    QString semester;     // and the semester
    bool chosen = false;  // a discipline is chosen for the place
};

// What a sheet is of, by name: one group, or every group of a faculty (speciality and group
// then empty).
struct SheetHeading {
    QString faculty;
    QString speciality;
    QString group;
    QString year;
    QString semester;
};

struct ElectivesSheet {
    SheetHeading heading;
    bool wholeFaculty = false;
    std::vector<ElectivePlace> places;
};

// The keys under which a group's places are read: the curriculum of the speciality in that year
// and semester.
struct GroupKeys {
    qint64 speciality = 0;
    qint64 year = 0;
    qint64 semester = 0;
    qint64 group = 0;
};

// A group the selection cascade offers under a faculty, year and semester.
struct FacultyGroup {
    qint64 speciality = 0;
    QString specialityName;
    qint64 group = 0;
    QString groupName;
};

// Every place of every student of the group, by student name and then as the electives grid
// orders a student's places (the server's GetGroupElectives).
std::vector<ElectivePlace> readGroupPlaces(Connection& connection, const GroupKeys& keys);

// The groups of the faculty in that year and semester, by speciality and group name, when the
// faculty is one of the member of staff's (the server's GetFacultyGroups).
std::vector<FacultyGroup> readFacultyGroups(Connection& connection, qint32 userId, qint64 faculty,
                                            qint64 year, qint64 semester);

// Told before each group is read (how many are done, of how many, and the group's name), and
// once more when all are; answers false to stop.
using ExportProgress = std::function<bool(int done, int total, const QString& group)>;

// The places of every listed group one group after another, each marked with its speciality and
// group; nothing when the progress asked to stop.
std::optional<std::vector<ElectivePlace>> readFacultyPlaces(Connection& connection,
                                                            const std::vector<FacultyGroup>& groups,
                                                            qint64 year, qint64 semester,
                                                            const ExportProgress& progress);

// The sheet as a table: the column titles and, for each place, its cells as texts.
QStringList sheetColumns(const ElectivesSheet& sheet);
QStringList sheetCells(const ElectivesSheet& sheet, const ElectivePlace& place);
// The position of the stream column, the one column of numbers.
int streamColumn(const ElectivesSheet& sheet);
// The heading's lines as caption and value ("Факультет", name), those of a faculty's sheet
// without speciality and group.
std::vector<std::pair<QString, QString>> headingLines(const ElectivesSheet& sheet);
// The sheet's title: "Дисциплины по выбору".
QString sheetTitle();

// What the cell "Выбор" says of a chosen and of an empty place.
QString chosenMark(bool chosen);

}  // namespace zev
