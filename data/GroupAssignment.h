#pragma once

#include "core/Value.h"
#include "data/StreamPlaces.h"

#include <QString>

#include <optional>
#include <vector>

namespace zev {

class Connection;

// The cascade's choice of a group: the curriculum of the speciality in that academic year and
// semester, and the group.
struct GroupChoice {
    Value speciality;
    Value year;
    Value semester;
    Value group;
};

// One elective place as the electives grid shows it: its group of alternatives, and the academic
// year and semester in which it is taken.
struct PlaceKey {
    Value alternatives;  // descGroupNum
    Value year;          // id_a_year
    Value semester;      // id_semester

    bool operator==(const PlaceKey& other) const {
        return valuesEqual(alternatives, other.alternatives) && valuesEqual(year, other.year) &&
               valuesEqual(semester, other.semester);
    }
};

// One row of a student's electives, as the electives dataset reads it.
struct StudentPlace {
    Value row;  // id_disciplineForStudent
    PlaceKey place;
    QString code;             // p30, the curriculum code of the place
    QString fixedDiscipline;  // p34: the discipline the curriculum fixes for the place
    Value discipline;
    Value teacher;
    Value stream;

    bool fixed() const { return !fixedDiscipline.isEmpty(); }
    bool free() const { return isNull(discipline); }
};

struct GroupStudent {
    Value id;
    QString name;
    std::vector<StudentPlace> places;
};

// Every student of the group, by name as the student list shows them, each with his elective
// places read by the statement of the electives grid (SelectDisciplineForStudent).
std::vector<GroupStudent> readGroupStudents(Connection& connection, const GroupChoice& choice);

// A place that students of the group have: each once, in the grid's order of places.
struct GroupPlace {
    PlaceKey key;
    QString code;
    int students = 0;  // students who have the place
    int free = 0;      // of them, those with a row of it still free
};
std::vector<GroupPlace> groupPlaces(const std::vector<GroupStudent>& students);

// What is to be assigned to a place: the discipline, teacher and stream, and the stream's
// places as read when they were chosen.
struct PlaceAssignment {
    PlaceKey place;
    Value discipline;
    Value teacher;
    Value stream;
    StreamPlace streamPlaces;
};

// Why a student does not get the assignment.
enum class SkipReason {
    NoPlace,          // the student has no such place
    FixedDiscipline,  // the curriculum fixes the place's discipline
    AlreadyChosen,    // every row of the place has a discipline
    DisciplineTaken,  // the discipline is already chosen in another place of the student
    StreamFull,       // the stream has no place left for the student
};
QString skipReasonText(SkipReason reason);

struct PlannedStudent {
    Value student;
    QString name;
    Value row;  // the row that changes; for a skipped student the row of the place, if any
    std::optional<SkipReason> skipped;
};

struct AssignmentPlan {
    std::vector<PlannedStudent> changes;  // the rows that change, in the order of the list
    std::vector<PlannedStudent> skipped;  // the students who keep their place as it is
    // Students selected with the place free, and how many of them the stream could take
    // (nullopt: unlimited).
    int wanted = 0;
    std::optional<qint64> room;
};

// The plan of an assignment: every student of the group who has the place free gets it, or, with
// a selection, only the selected students; in the order of the list, as long as the stream has
// room. Students whose place is not free are skipped whether selected or not, with the reason;
// students with the place free whom the selection leaves out are not mentioned.
AssignmentPlan planAssignment(const std::vector<GroupStudent>& students,
                              const PlaceAssignment& assignment,
                              const std::optional<std::vector<Value>>& selected = std::nullopt);

// The statements the electives grid and the student list read, which the plan reads too.
QString studentsOfGroupSql();
QString electivesOfStudentSql();

}  // namespace zev
