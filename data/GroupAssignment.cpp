#include "data/GroupAssignment.h"

#include "core/Errors.h"
#include "data/Connection.h"
#include "data/FieldNames.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <tuple>

namespace zev {

namespace {

// A named column of an answer; an answer without it comes from the wrong statement.
int columnOf(const ResultSet& rows, const QString& name) {
    const int at = rows.columnIndex(name);
    if (at < 0) {
        throw Error(QStringLiteral("The column %1 is missing from the answer").arg(name));
    }
    return at;
}

std::vector<StudentPlace> readPlaces(Connection& connection, const GroupChoice& choice,
                                     const Value& student) {
    const ResultSet rows =
        connection.query(electivesOfStudentSql(), {{field::id_speciality, choice.speciality},
                                                   {field::id_a_year, choice.year},
                                                   {field::id_semester, choice.semester},
                                                   {field::id_student, student},
                                                   {field::id_group, choice.group}});
    const int row = columnOf(rows, field::id_disciplineForStudent),
              alternatives = columnOf(rows, field::descGroupNum),
              year = columnOf(rows, field::id_a_year),
              semester = columnOf(rows, field::id_semester), code = columnOf(rows, field::p30),
              fixed = columnOf(rows, field::p34), discipline = columnOf(rows, field::id_discipline),
              teacher = columnOf(rows, field::id_teacher), stream = columnOf(rows, field::subgroup);
    std::vector<StudentPlace> places;
    places.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        places.push_back({rows.at(r, row),
                          {rows.at(r, alternatives), rows.at(r, year), rows.at(r, semester)},
                          valueText(rows.at(r, code)).trimmed(),
                          valueText(rows.at(r, fixed)),
                          rows.at(r, discipline),
                          rows.at(r, teacher),
                          rows.at(r, stream)});
    }
    return places;
}

bool contains(const std::vector<Value>& keys, const Value& key) {
    return std::any_of(keys.begin(), keys.end(),
                       [&key](const Value& k) { return valuesEqual(k, key); });
}

// The student's row that the assignment would change, or why there is none. A row of the place
// still free takes it; otherwise the place's group of alternatives tells why not: its
// discipline fixed by the curriculum, or already chosen (perhaps for another year or semester).
PlannedStudent planStudent(const GroupStudent& student, const PlaceAssignment& assignment) {
    PlannedStudent planned{student.id, student.name, Value{}, SkipReason::NoPlace};
    bool fixed = false;
    bool chosen = false;
    for (const StudentPlace& place : student.places) {
        if (!valuesEqual(place.place.alternatives, assignment.place.alternatives)) {
            continue;
        }
        if (place.fixed()) {
            fixed = true;
        } else if (!place.free()) {
            chosen = true;
        } else if (place.place == assignment.place) {
            planned.row = place.row;
            planned.skipped.reset();
            break;
        }
        if (isNull(planned.row)) {
            planned.row = place.row;
        }
    }
    if (planned.skipped) {
        planned.skipped = fixed    ? SkipReason::FixedDiscipline
                          : chosen ? SkipReason::AlreadyChosen
                                   : SkipReason::NoPlace;
        return planned;
    }
    const bool taken =
        !isNull(assignment.discipline) &&
        std::any_of(student.places.begin(), student.places.end(), [&](const StudentPlace& p) {
            return valuesEqual(p.discipline, assignment.discipline);
        });
    if (taken) {
        planned.skipped = SkipReason::DisciplineTaken;
    }
    return planned;
}

bool openFor(const StudentPlace& place, const PlaceKey& key) {
    return place.place == key && place.free() && !place.fixed();
}

}  // namespace

QString studentsOfGroupSql() {
    return QStringLiteral(
        "SELECT s_g.id_student, s_fio.s_fio FROM s_g, s_fio WHERE s_g.id_student = "
        "s_fio.id_student AND s_g.id_group =:id_group");
}

QString electivesOfStudentSql() {
    return QStringLiteral(
        "EXEC SelectDisciplineForStudent @id_speciality =:id_speciality, @id_a_year "
        "=:id_a_year, @id_semester =:id_semester, @id_student =:id_student, "
        "@id_group=:id_group");
}

std::vector<GroupStudent> readGroupStudents(Connection& connection, const GroupChoice& choice) {
    const ResultSet rows =
        connection.query(studentsOfGroupSql(), {{field::id_group, choice.group}});
    const int id = columnOf(rows, field::id_student), name = columnOf(rows, field::s_fio);
    std::vector<GroupStudent> students;
    students.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        students.push_back({rows.at(r, id), valueText(rows.at(r, name)), {}});
    }
    // By name as a Russian reader expects them, Ё with Е, whatever the letter case; students of
    // one name by their keys.
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(students.begin(), students.end(),
                     [&collator](const GroupStudent& a, const GroupStudent& b) {
                         const int order = collator.compare(a.name, b.name);
                         return order != 0
                                    ? order < 0
                                    : valueText(a.id).toLongLong() < valueText(b.id).toLongLong();
                     });
    for (GroupStudent& student : students) {
        student.places = readPlaces(connection, choice, student.id);
    }
    return students;
}

std::vector<GroupPlace> groupPlaces(const std::vector<GroupStudent>& students) {
    // The places as free rows have them; a group of alternatives without any free row is still
    // shown, once, under the year and semester of its first row.
    std::vector<GroupPlace> places;
    const auto known = [&places](const PlaceKey& key) {
        return std::find_if(places.begin(), places.end(),
                            [&key](const GroupPlace& p) { return p.key == key; });
    };
    for (const GroupStudent& student : students) {
        for (const StudentPlace& place : student.places) {
            if (place.free() && !place.fixed() && known(place.place) == places.end()) {
                places.push_back({place.place, place.code, 0, 0});
            }
        }
    }
    for (const GroupStudent& student : students) {
        for (const StudentPlace& place : student.places) {
            const bool listed =
                std::any_of(places.begin(), places.end(), [&place](const GroupPlace& p) {
                    return valuesEqual(p.key.alternatives, place.place.alternatives);
                });
            if (!listed) {
                places.push_back({place.place, place.code, 0, 0});
            }
        }
    }
    for (GroupPlace& place : places) {
        for (const GroupStudent& student : students) {
            const auto& rows = student.places;
            const bool has = std::any_of(rows.begin(), rows.end(), [&place](const StudentPlace& p) {
                return valuesEqual(p.place.alternatives, place.key.alternatives);
            });
            const bool open =
                std::any_of(rows.begin(), rows.end(),
                            [&place](const StudentPlace& p) { return openFor(p, place.key); });
            place.students += has ? 1 : 0;
            place.free += open ? 1 : 0;
        }
    }
    const auto number = [](const Value& v) { return valueText(v).toLongLong(); };
    const auto order = [&number](const GroupPlace& p) {
        return std::tuple(number(p.key.alternatives), number(p.key.year), number(p.key.semester));
    };
    std::stable_sort(
        places.begin(), places.end(),
        [&order](const GroupPlace& a, const GroupPlace& b) { return order(a) < order(b); });
    return places;
}

QString skipReasonText(SkipReason reason) {
    switch (reason) {
        case SkipReason::NoPlace:
            return QStringLiteral("нет такого места");
        case SkipReason::FixedDiscipline:
            return QStringLiteral("дисциплина зафиксирована");
        case SkipReason::AlreadyChosen:
            return QStringLiteral("место уже выбрано");
        case SkipReason::DisciplineTaken:
            return QStringLiteral("эта дисциплина уже выбрана в другом месте");
        case SkipReason::StreamFull:
            return QStringLiteral("в потоке не хватило мест");
    }
    return {};
}

AssignmentPlan planAssignment(const std::vector<GroupStudent>& students,
                              const PlaceAssignment& assignment,
                              const std::optional<std::vector<Value>>& selected) {
    AssignmentPlan plan;
    const StreamPlace& places = assignment.streamPlaces;
    if (places.capacity) {
        plan.room = std::max<qint64>(0, *places.capacity - places.taken);
    }
    for (const GroupStudent& student : students) {
        PlannedStudent planned = planStudent(student, assignment);
        const bool chosen = !selected || contains(*selected, student.id);
        if (planned.skipped == SkipReason::DisciplineTaken && !chosen) {
            continue;  // free, but left out by the user
        }
        if (planned.skipped) {
            plan.skipped.push_back(std::move(planned));
            continue;
        }
        if (!chosen) {
            continue;  // free, but left out by the user
        }
        ++plan.wanted;
        if (plan.room && static_cast<qint64>(plan.changes.size()) >= *plan.room) {
            planned.skipped = SkipReason::StreamFull;
            plan.skipped.push_back(std::move(planned));
        } else {
            plan.changes.push_back(std::move(planned));
        }
    }
    return plan;
}

}  // namespace zev
