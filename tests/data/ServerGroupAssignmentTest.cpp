// The plan of assigning one elective place to a whole group, read from a demo database written
// by the generator: the group's students with the places the electives grid shows them, the
// places the group has, and who would get the assignment, who not and why.
#include "DatabaseFile.h"
#include "OdbcRun.h"
#include "data/DataModule.h"
#include "data/GroupAssignment.h"
#include "server/gen/Generator.h"

#include <gtest/gtest.h>
#include <QCollator>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <map>

namespace zev::testing {
namespace {

// Group ИВТ-24 in the curriculum of speciality 1, 2024/2025, 3rd semester.
const GroupChoice kGroup{qint64{1}, qint64{2}, qint64{3}, qint64{5}};

class ServerGroupAssignment : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new QTemporaryDir();
        ASSERT_TRUE(folder_->isValid());
        file_ = server::generateDatabase(folder_->path(), server::DatabaseSize::Demo).databaseFile;
        odbcRun_ = new OdbcRun(file_);
    }
    static void TearDownTestSuite() {
        delete odbcRun_;
        odbcRun_ = nullptr;
        delete folder_;
        folder_ = nullptr;
    }

    void SetUp() override {
        dm.ADOCon.setConnectionString(odbcRun_->connectionString(
            QStringLiteral("Data Source=zev-demo.sqlite;Initial Catalog=ZEV;User ID=%1;Password=%2")
                .arg(QString::fromLatin1(server::kStaffUser),
                     QString::fromLatin1(server::kStaffPassword))));
        dm.ADOCon.setBaseFolder(folder_->path());
        dm.ADOCon.open();
        students = readGroupStudents(dm.ADOCon, kGroup);
    }

    // Straight from the file: the rows of the group's present students in the curriculum.
    static std::vector<QStringList> rows(const QString& where) {
        return readDatabaseRows(
            file_, QStringLiteral("SELECT d.id_student, d.id_disciplineForStudent FROM "
                                  "DisciplineForStudent d JOIN s_g sg ON sg.id_student = "
                                  "d.id_student AND sg.id_group = d.id_group WHERE d.id_group = 5 "
                                  "AND d.id_speciality = 1 AND d.plan_a_year = 2 AND "
                                  "d.plan_semester = 3 AND ") +
                       where + QStringLiteral(" ORDER BY d.id_disciplineForStudent"));
    }
    // The students (keys) of those rows.
    static QStringList studentsOf(const std::vector<QStringList>& found) {
        QStringList keys;
        for (const QStringList& row : found) {
            if (!keys.contains(row[0])) {
                keys << row[0];
            }
        }
        keys.sort();
        return keys;
    }
    static QStringList keysOf(const std::vector<PlannedStudent>& planned,
                              std::optional<SkipReason> reason = std::nullopt) {
        QStringList keys;
        for (const PlannedStudent& p : planned) {
            if (!reason || p.skipped == reason) {
                keys << valueText(p.student);
            }
        }
        keys.sort();
        return keys;
    }

    static PlaceAssignment assignmentOf(qint64 alternatives, qint64 discipline,
                                        StreamPlace places = {}) {
        return {{qint64{alternatives}, qint64{2}, qint64{3}},
                qint64{discipline},
                qint64{1},
                qint64{101},
                places};
    }

    TDM_MB dm;
    std::vector<GroupStudent> students;
    static QTemporaryDir* folder_;
    static QString file_;
    static OdbcRun* odbcRun_;
};

QTemporaryDir* ServerGroupAssignment::folder_ = nullptr;
QString ServerGroupAssignment::file_;
OdbcRun* ServerGroupAssignment::odbcRun_ = nullptr;

TEST_F(ServerGroupAssignment, TheGroupsStudentsComeByNameWithTheRowsTheGridShows) {
    const std::vector<QStringList> members =
        readDatabaseRows(file_, QStringLiteral("SELECT id_student FROM s_g WHERE id_group = 5"));
    ASSERT_GE(members.size(), 3u);
    ASSERT_EQ(students.size(), members.size());
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    for (std::size_t i = 1; i < students.size(); ++i) {
        EXPECT_LE(collator.compare(students[i - 1].name, students[i].name), 0);
    }
    for (const GroupStudent& student : students) {
        const std::vector<QStringList> own =
            rows(QStringLiteral("d.id_student = ") + valueText(student.id));
        ASSERT_EQ(student.places.size(), own.size()) << student.name.toStdString();
        for (std::size_t i = 0; i < own.size(); ++i) {
            const StudentPlace& place = student.places[i];
            EXPECT_EQ(valueText(place.row), own[i][1]);
            const QString id = own[i][1];
            const auto column = [&id](const char* name) {
                return readDatabaseValue(file_,
                                         QStringLiteral("SELECT %1 FROM DisciplineForStudent WHERE "
                                                        "id_disciplineForStudent = %2")
                                             .arg(QString::fromLatin1(name), id));
            };
            EXPECT_EQ(valueText(place.place.alternatives), column("descGroupNum"));
            EXPECT_EQ(valueText(place.place.year), column("id_a_year"));
            EXPECT_EQ(valueText(place.place.semester), column("id_semester"));
            EXPECT_EQ(valueText(place.discipline), column("id_discipline"));
            EXPECT_EQ(place.fixed(), !column("fixed_discipline").isEmpty());
        }
    }
}

TEST_F(ServerGroupAssignment, ThePlacesOfTheGroupCountTheStudentsWhoHaveThemFree) {
    const std::vector<GroupPlace> places = groupPlaces(students);
    ASSERT_FALSE(places.empty());
    for (std::size_t i = 1; i < places.size(); ++i) {
        EXPECT_LE(valueText(places[i - 1].key.alternatives).toInt(),
                  valueText(places[i].key.alternatives).toInt());
    }
    for (const GroupPlace& place : places) {
        const QString alternatives = valueText(place.key.alternatives);
        const QStringList free = studentsOf(
            rows(QStringLiteral("d.descGroupNum = %1 AND d.id_a_year = %2 AND d.id_semester = %3 "
                                "AND d.id_discipline IS NULL AND d.fixed_discipline IS NULL")
                     .arg(alternatives, valueText(place.key.year), valueText(place.key.semester))));
        EXPECT_EQ(place.free, free.size()) << alternatives.toStdString();
        EXPECT_EQ(place.students,
                  studentsOf(rows(QStringLiteral("d.descGroupNum = ") + alternatives)).size());
    }
    // A place fixed by the curriculum for everyone is offered too, with no student free.
    const QStringList fixedGroups = studentsOf(readDatabaseRows(
        file_, QStringLiteral("SELECT descGroupNum FROM DisciplineForStudent WHERE id_group = 5 "
                              "AND plan_semester = 3 AND fixed_discipline IS NOT NULL")));
    ASSERT_FALSE(fixedGroups.empty());
    const auto fixedPlace = std::find_if(places.begin(), places.end(), [&](const GroupPlace& p) {
        return valueText(p.key.alternatives) == fixedGroups.front();
    });
    ASSERT_NE(fixedPlace, places.end());
    EXPECT_EQ(fixedPlace->free, 0);
}

TEST_F(ServerGroupAssignment, StudentsWhosePlaceIsNotFreeAreSkippedWithTheReason) {
    // The fixed place: nobody gets it, each for the fixed discipline.
    const QString fixedGroup = readDatabaseValue(
        file_,
        QStringLiteral("SELECT MIN(descGroupNum) FROM DisciplineForStudent WHERE "
                       "id_group = 5 AND plan_semester = 3 AND fixed_discipline IS NOT NULL"));
    const AssignmentPlan fixed = planAssignment(students, assignmentOf(fixedGroup.toLongLong(), 7));
    EXPECT_TRUE(fixed.changes.empty());
    EXPECT_EQ(keysOf(fixed.skipped, SkipReason::FixedDiscipline).size(), students.size());

    // Two rows per student in group 58: a student with both chosen is skipped as chosen, one
    // with a row free gets that row; whoever already has the discipline keeps his places.
    const AssignmentPlan plan = planAssignment(students, assignmentOf(58, 9));
    const QStringList withFree = studentsOf(rows(QStringLiteral(
        "d.descGroupNum = 58 AND d.id_discipline IS NULL AND d.fixed_discipline IS NULL")));
    const QStringList hasNine = studentsOf(rows(QStringLiteral("d.id_discipline = 9")));
    QStringList expectedChanges;
    for (const QString& s : withFree) {
        if (!hasNine.contains(s)) {
            expectedChanges << s;
        }
    }
    ASSERT_FALSE(expectedChanges.isEmpty());
    EXPECT_EQ(keysOf(plan.changes), expectedChanges);
    QStringList allChosen;
    for (const QString& s : studentsOf(rows(QStringLiteral("d.descGroupNum = 58")))) {
        if (!withFree.contains(s)) {
            allChosen << s;
        }
    }
    ASSERT_FALSE(allChosen.isEmpty());
    EXPECT_EQ(keysOf(plan.skipped, SkipReason::AlreadyChosen), allChosen);
    EXPECT_EQ(plan.changes.size() + plan.skipped.size(), students.size());
    for (const PlannedStudent& p : plan.changes) {
        const std::vector<QStringList> own = rows(
            QStringLiteral("d.descGroupNum = 58 AND d.id_discipline IS NULL AND d.id_student = %1")
                .arg(valueText(p.student)));
        ASSERT_FALSE(own.empty());
        EXPECT_EQ(valueText(p.row), own.front()[1]);  // the free row of the two
    }

    // The discipline some free student already takes in his other row of the group.
    for (const QString& s : withFree) {
        const QString other = readDatabaseValue(
            file_, QStringLiteral("SELECT id_discipline FROM DisciplineForStudent WHERE "
                                  "id_student = %1 AND plan_semester = 3 AND descGroupNum = 58 "
                                  "AND id_discipline IS NOT NULL")
                       .arg(s));
        const AssignmentPlan twice = planAssignment(students, assignmentOf(58, other.toLongLong()));
        EXPECT_TRUE(keysOf(twice.skipped, SkipReason::DisciplineTaken).contains(s));
        EXPECT_FALSE(keysOf(twice.changes).contains(s));
    }
}

TEST_F(ServerGroupAssignment, AStreamWithTooFewPlacesTakesTheFirstStudentsOfTheList) {
    const AssignmentPlan unlimited = planAssignment(students, assignmentOf(58, 9));
    ASSERT_GE(unlimited.changes.size(), 2u);
    EXPECT_FALSE(unlimited.room.has_value());
    const auto wanted = static_cast<qint64>(unlimited.changes.size());

    // Room for one student less than want the stream.
    const AssignmentPlan partial =
        planAssignment(students, assignmentOf(58, 9, StreamPlace{qint64{10}, 11 - wanted}));
    ASSERT_EQ(partial.room, wanted - 1);
    EXPECT_EQ(partial.wanted, wanted);
    ASSERT_EQ(partial.changes.size(), static_cast<std::size_t>(wanted - 1));
    for (std::size_t i = 0; i < partial.changes.size(); ++i) {
        EXPECT_TRUE(valuesEqual(partial.changes[i].student, unlimited.changes[i].student));
    }
    const QStringList full = keysOf(partial.skipped, SkipReason::StreamFull);
    ASSERT_EQ(full.size(), 1);
    EXPECT_EQ(full.front(), valueText(unlimited.changes.back().student));

    // A full stream (more taken than places, as an administrator may leave it) takes nobody.
    const AssignmentPlan none =
        planAssignment(students, assignmentOf(58, 9, StreamPlace{qint64{3}, 5}));
    EXPECT_EQ(none.room, 0);
    EXPECT_TRUE(none.changes.empty());
    EXPECT_EQ(keysOf(none.skipped, SkipReason::StreamFull).size(), static_cast<qsizetype>(wanted));
}

TEST_F(ServerGroupAssignment, OnlyTheSelectedStudentsGetIt) {
    const AssignmentPlan all = planAssignment(students, assignmentOf(58, 9));
    ASSERT_GE(all.changes.size(), 2u);
    const Value chosen = all.changes.back().student;
    const Value chosenElsewhere = all.skipped.front().student;
    const AssignmentPlan plan = planAssignment(students, assignmentOf(58, 9, StreamPlace{1, 0}),
                                               std::vector<Value>{chosen, chosenElsewhere});
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_TRUE(valuesEqual(plan.changes.front().student, chosen));
    EXPECT_EQ(plan.wanted, 1);
    // The free students left out are not mentioned; those whose place is taken are, as before.
    EXPECT_EQ(keysOf(plan.skipped), keysOf(all.skipped));
}

}  // namespace
}  // namespace zev::testing
