// The statements and filters that the registration window and the record rules compose, run
// against the embedded server on a demo database: each must give the rows its list stands for,
// checked against the database file read straight through SQLite, or against the wider list it
// narrows.
#include "DatabaseFile.h"
#include "QtPrinting.h"
#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/ElectivesSql.h"
#include "registration/ChosenDisciplinesSql.h"
#include "server/gen/Generator.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace zev::testing {
namespace {

namespace cds = ChosenDisciplinesSql;

using Rows = std::vector<QStringList>;

Rows sorted(Rows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The rows of `rows` whose column holds the value.
Rows whereColumn(const Rows& rows, int column, const QString& value) {
    Rows kept;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(kept),
                 [&](const QStringList& row) { return row.value(column) == value; });
    return kept;
}

class ComposedStatements : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(folder_->isValid());
        demo_ = std::make_unique<server::GeneratedDatabase>(
            server::generateDatabase(folder_->path(), server::DatabaseSize::Demo));
    }
    static void TearDownTestSuite() {
        demo_.reset();
        folder_.reset();
    }

    void SetUp() override {
        ConnectionSettings settings;
        settings.dataSource = demo_->databaseFile;
        settings.catalog = QStringLiteral("ZEV");
        settings.user = QString::fromLatin1(server::kStaffUser);
        settings.password = QString::fromLatin1(server::kStaffPassword);
        connection.setSettings(settings);
        connection.open();
    }

    // The server's answer: its column names, and its rows as texts, in the server's order.
    QStringList columnsOf(const QString& sql) {
        QStringList names;
        for (const ResultColumn& column : connection.query(sql).columns) {
            names << column.name;
        }
        return names;
    }
    Rows served(const QString& sql) {
        const ResultSet result = connection.query(sql);
        Rows rows;
        for (int r = 0; r < result.rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < result.columnCount(); ++c) {
                row << valueText(result.at(r, c));
            }
            rows.push_back(row);
        }
        return rows;
    }
    // What the database file holds, read past the server.
    static Rows stored(const QString& sql) { return readDatabaseRows(demo_->databaseFile, sql); }
    static QString storedValue(const QString& sql) {
        return readDatabaseValue(demo_->databaseFile, sql);
    }

    // The texts of a field over the dataset's filtered view.
    static QStringList viewColumn(Dataset& dataset, const QString& field) {
        QStringList texts;
        for (dataset.first(); !dataset.eof(); dataset.next()) {
            texts << dataset.fieldByName(field).text();
        }
        return texts;
    }

    Connection connection;

    // Academic year 2024/2025 and the autumn half-year (the code of semester 3).
    const QString year = QStringLiteral("2");
    const QString autumn = QStringLiteral("2");

private:
    static inline std::unique_ptr<QTemporaryDir> folder_;
    static inline std::unique_ptr<server::GeneratedDatabase> demo_;
};

TEST(IdWsTest, OddSemestersAreAutumnEvenAreSpringAndOthersGiveNothing) {
    EXPECT_EQ(cds::idWsForSemester(1), QStringLiteral("2"));
    EXPECT_EQ(cds::idWsForSemester(3), QStringLiteral("2"));
    EXPECT_EQ(cds::idWsForSemester(15), QStringLiteral("2"));
    EXPECT_EQ(cds::idWsForSemester(4), QStringLiteral("1"));
    EXPECT_EQ(cds::idWsForSemester(14), QStringLiteral("1"));
    EXPECT_FALSE(cds::idWsForSemester(0).has_value());
    EXPECT_FALSE(cds::idWsForSemester(16).has_value());
    EXPECT_FALSE(cds::idWsForSemester(-3).has_value());
}

TEST_F(ComposedStatements, TheStudentChoiceListsHoldWhatTheHalfYearTeaches) {
    for (const QString& halfYear : {QStringLiteral("1"), QStringLiteral("2")}) {
        SCOPED_TRACE(halfYear.toStdString());
        const QString taught = QStringLiteral(
                                   " FROM RRNKkrdt r WHERE r.id_a_year = %1 AND "
                                   "r.id_w_s = %2")
                                   .arg(year, halfYear);

        const QString departments = cds::departments(year, halfYear);
        EXPECT_EQ(columnsOf(departments), QStringList({"id_kafedra", "f1"}));
        const Rows departmentRows = served(departments);
        EXPECT_FALSE(departmentRows.empty());
        EXPECT_EQ(sorted(departmentRows),
                  sorted(stored(QStringLiteral("SELECT DISTINCT r.id_kafedra, (SELECT f1 FROM "
                                               "kafedra k WHERE k.id_kafedra = r.id_kafedra)") +
                                taught)));

        const QString disciplines = cds::disciplines(year, halfYear);
        EXPECT_EQ(columnsOf(disciplines), QStringList({"p34", "id_kafedra", "id_discipline"}));
        EXPECT_EQ(sorted(served(disciplines)),
                  sorted(stored(QStringLiteral("SELECT DISTINCT (SELECT p34 FROM discipline d "
                                               "WHERE d.id_discipline = r.id_discipline), "
                                               "r.id_kafedra, r.id_discipline") +
                                taught)));

        const QString teachers = cds::teachers(year, halfYear);
        EXPECT_EQ(columnsOf(teachers), QStringList({"id_kafedra", "id_teacher", "t_fio"}));
        EXPECT_EQ(sorted(served(teachers)),
                  sorted(stored(QStringLiteral("SELECT DISTINCT r.id_kafedra, r.id_teacher, "
                                               "(SELECT t_fio FROM t_fio f WHERE f.id_teacher = "
                                               "r.id_teacher)") +
                                taught + QStringLiteral(" AND r.id_teacher IS NOT NULL"))));

        const QString streams = cds::streams(year, halfYear);
        EXPECT_EQ(columnsOf(streams), QStringList({"subgroup"}));
        EXPECT_EQ(sorted(served(streams)),
                  sorted(stored(QStringLiteral("SELECT DISTINCT r.subgroup") + taught +
                                QStringLiteral(" AND r.id_teacher IN (SELECT id_teacher FROM "
                                               "teacher)"))));
    }
}

TEST_F(ComposedStatements, TheChosenRowsAreTheStudentsOwnForTheYearAndSemester) {
    const QStringList someone =
        stored(QStringLiteral("SELECT id_student, id_a_year, id_semester FROM "
                              "DisciplineForStudent2 ORDER BY 1 LIMIT 1"))
            .at(0);
    const Rows rows = served(cds::rows(someone[0], someone[1], someone[2]));
    EXPECT_FALSE(rows.empty());
    EXPECT_EQ(sorted(rows), sorted(stored(QStringLiteral("SELECT * FROM DisciplineForStudent2 "
                                                         "WHERE id_student = %1 AND id_a_year = "
                                                         "%2 AND id_semester = %3")
                                              .arg(someone[0], someone[1], someone[2]))));
    EXPECT_TRUE(served(cds::rows(QStringLiteral("-1"), year, QStringLiteral("3"))).empty());
}

TEST_F(ComposedStatements, ADepartmentOrATeacherNarrowsTheHalfYearsLists) {
    const Rows disciplines = served(cds::disciplines(year, autumn));
    const Rows teachers = served(cds::teachers(year, autumn));
    ASSERT_FALSE(teachers.empty());
    const QString department = teachers.front()[0];
    const QString teacher = teachers.front()[1];

    const QString ofDepartment = cds::disciplinesOfDepartment(year, autumn, department);
    EXPECT_EQ(columnsOf(ofDepartment), columnsOf(cds::disciplines(year, autumn)));
    const Rows narrowedDisciplines = served(ofDepartment);
    EXPECT_FALSE(narrowedDisciplines.empty());
    EXPECT_EQ(sorted(narrowedDisciplines), sorted(whereColumn(disciplines, 1, department)));
    EXPECT_LT(narrowedDisciplines.size(), disciplines.size());

    const QString teachersOf = cds::teachersOfDepartment(year, autumn, department);
    EXPECT_EQ(columnsOf(teachersOf), columnsOf(cds::teachers(year, autumn)));
    EXPECT_EQ(sorted(served(teachersOf)), sorted(whereColumn(teachers, 0, department)));

    const QString streamsOf = cds::streamsOfTeacher(year, autumn, teacher);
    EXPECT_EQ(columnsOf(streamsOf), QStringList({"subgroup", "id_teacher"}));
    const Rows teachersStreams = served(streamsOf);
    EXPECT_FALSE(teachersStreams.empty());
    EXPECT_EQ(whereColumn(teachersStreams, 1, teacher).size(), teachersStreams.size());
    EXPECT_EQ(sorted(teachersStreams),
              sorted(stored(QStringLiteral("SELECT DISTINCT subgroup, id_teacher FROM RRNKkrdt "
                                           "WHERE id_a_year = %1 AND id_w_s = %2 AND id_teacher "
                                           "= %3")
                                .arg(year, autumn, teacher))));
}

TEST_F(ComposedStatements, TheTeacherListsOfTheElectives) {
    EXPECT_EQ(columnsOf(ElectivesSql::allTeachers()), QStringList({"id_teacher", "t_fio"}));
    const Rows everyone = served(ElectivesSql::allTeachers());
    EXPECT_EQ(QString::number(everyone.size()),
              storedValue(QStringLiteral("SELECT count(*) FROM teacher")));
    EXPECT_EQ(sorted(everyone), sorted(stored(QStringLiteral("SELECT id_teacher, p26 || ' ' || "
                                                             "p27 || ' ' || p28 FROM teacher"))));

    // A department's teachers: those who hold any of the four kinds of position in it.
    const QString department = storedValue(QStringLiteral("SELECT min(id_kafedra) FROM pps"));
    const QString ofDepartment = ElectivesSql::teachersOfDepartment(department);
    EXPECT_EQ(columnsOf(ofDepartment), QStringList({"id_teacher", "t_fio"}));
    const Rows departmentTeachers = served(ofDepartment);
    EXPECT_FALSE(departmentTeachers.empty());
    Rows holders;
    for (const QStringList& row :
         stored(QStringLiteral("SELECT DISTINCT id_teacher FROM pps WHERE id_kafedra = %1 AND "
                               "kind BETWEEN 1 AND 4")
                    .arg(department))) {
        holders.push_back(whereColumn(everyone, 0, row[0]).at(0));
    }
    EXPECT_EQ(sorted(departmentTeachers), sorted(holders));

    EXPECT_EQ(columnsOf(ElectivesSql::noTeachers()), QStringList({"id_teacher", "t_fio"}));
    EXPECT_TRUE(served(ElectivesSql::noTeachers()).empty());
}

TEST_F(ComposedStatements, RemovingAnElectiveDeletesThatRowAlone) {
    const QString count = QStringLiteral("SELECT count(*) FROM DisciplineForStudent");
    const int before = storedValue(count).toInt();
    const QString id = storedValue(
        QStringLiteral("SELECT max(id_disciplineForStudent) FROM DisciplineForStudent"));
    EXPECT_EQ(connection.execute(ElectivesSql::deleteElective(id)), 1);
    EXPECT_EQ(storedValue(count).toInt(), before - 1);
    EXPECT_EQ(storedValue(QStringLiteral("SELECT count(*) FROM DisciplineForStudent WHERE "
                                         "id_disciplineForStudent = %1")
                              .arg(id)),
              QStringLiteral("0"));
}

TEST_F(ComposedStatements, ANewStreamJoinsTheTeachersStreamsWithItsKeys) {
    const QStringList taught =
        stored(QStringLiteral("SELECT id_kafedra, id_teacher, id_discipline, id_examination FROM "
                              "RRNKkrdt WHERE id_a_year = %1 AND id_w_s = %2 ORDER BY "
                              "id_rrnkkrdt LIMIT 1")
                   .arg(year, autumn))
            .at(0);
    const ElectivesSql::NewStream stream{taught[0],
                                         taught[1],
                                         taught[2],
                                         taught[3],
                                         year,
                                         autumn,
                                         QStringLiteral("97"),
                                         QStringLiteral("1"),
                                         QStringLiteral("3")};
    const QString numbered = QStringLiteral("SELECT count(*) FROM RRNKkrdt WHERE subgroup = 97");
    ASSERT_EQ(storedValue(numbered), QStringLiteral("0"));
    connection.execute(ElectivesSql::insertStream(stream));

    EXPECT_EQ(stored(QStringLiteral("SELECT id_kafedra, id_teacher, id_discipline, id_examination, "
                                    "id_a_year, id_w_s, id_o_z, id_semester FROM RRNKkrdt WHERE "
                                    "subgroup = 97")),
              Rows({{taught[0], taught[1], taught[2], taught[3], year, autumn, QStringLiteral("1"),
                     QStringLiteral("3")}}));
    const Rows streams = served(cds::streamsOfTeacher(year, autumn, taught[1]));
    EXPECT_EQ(whereColumn(streams, 0, QStringLiteral("97")).size(), 1u);
    // Without places the stream is unlimited; with them it carries its capacity.
    EXPECT_EQ(storedValue(QStringLiteral("SELECT capacity FROM RRNKkrdt WHERE subgroup = 97")),
              QString());
    ElectivesSql::NewStream limited = stream;
    limited.number = QStringLiteral("96");
    limited.capacity = QStringLiteral("25");
    connection.execute(ElectivesSql::insertStream(limited));
    EXPECT_EQ(storedValue(QStringLiteral("SELECT capacity FROM RRNKkrdt WHERE subgroup = 96")),
              QStringLiteral("25"));
}

TEST_F(ComposedStatements, TheFiltersOfTheLookupListsKeepTheirRowsOnly) {
    // The stream list of the electives narrowed to one row's keys.
    Query streams(&connection);
    streams.setSQL(
        QStringLiteral("SELECT DISTINCT subgroup, id_a_year, id_kafedra, id_teacher, "
                       "id_discipline, id_examination, id_w_s FROM dbo.RRNKkrdt"));
    streams.open();
    const QStringList keys =
        stored(QStringLiteral("SELECT id_kafedra, id_teacher, id_discipline, id_examination, "
                              "id_a_year, id_w_s FROM RRNKkrdt ORDER BY id_rrnkkrdt LIMIT 1"))
            .at(0);
    streams.setFilter(
        ElectivesSql::streamFilter({keys[0], keys[1], keys[2], keys[3], keys[4], keys[5]}));
    streams.setFiltered(true);
    QStringList expected;
    for (const QStringList& row :
         stored(QStringLiteral("SELECT DISTINCT subgroup FROM RRNKkrdt WHERE id_kafedra = %1 AND "
                               "id_teacher = %2 AND id_discipline = %3 AND id_examination = %4 "
                               "AND id_a_year = %5 AND id_w_s = %6")
                    .arg(keys[0], keys[1], keys[2], keys[3], keys[4], keys[5]))) {
        expected << row[0];
    }
    QStringList shown = viewColumn(streams, QStringLiteral("subgroup"));
    shown.sort();
    expected.sort();
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown, expected);
    streams.setFilter(ElectivesSql::noStreamFilter());
    EXPECT_EQ(streams.recordCount(), 0);

    // The semester list narrowed to one academic year and group.
    Query semesters(&connection);
    semesters.setSQL(
        QStringLiteral("SELECT Semester.id_w_s, Semester.id_semester, Semester.p43, "
                       "g_r_y.id_a_year, g_r_y.id_group FROM Semester, g_r_y WHERE "
                       "Semester.id_rate = g_r_y.id_rate"));
    semesters.open();
    const QString group = storedValue(
        QStringLiteral("SELECT min(id_group) FROM g_r_y WHERE id_a_year = %1").arg(year));
    semesters.setFilter(ElectivesSql::semesterFilter(year, group));
    semesters.setFiltered(true);
    EXPECT_EQ(QString::number(semesters.recordCount()),
              storedValue(QStringLiteral("SELECT count(*) FROM Semester s, g_r_y g WHERE "
                                         "s.id_rate = g.id_rate AND g.id_a_year = %1 AND "
                                         "g.id_group = %2")
                              .arg(year, group)));
    EXPECT_GT(semesters.recordCount(), 0);
    for (const QString& shownYear : viewColumn(semesters, QStringLiteral("id_a_year"))) {
        EXPECT_EQ(shownYear, year);
    }
    for (const QString& shownGroup : viewColumn(semesters, QStringLiteral("id_group"))) {
        EXPECT_EQ(shownGroup, group);
    }
    semesters.setFilter(ElectivesSql::noSemesterFilter());
    EXPECT_EQ(semesters.recordCount(), 0);

    // A student's discipline list narrowed to one group of alternatives.
    const QStringList place =
        stored(QStringLiteral("SELECT id_speciality, plan_a_year, id_student, plan_semester FROM "
                              "DisciplineForStudent ORDER BY id_disciplineForStudent LIMIT 1"))
            .at(0);
    Query alternatives(&connection);
    alternatives.setSQL(QStringLiteral("EXEC GetDisciplineForDisciplineName @id_speciality = %1, "
                                       "@id_a_year = %2, @id_student = %3, @id_semester = %4")
                            .arg(place[0], place[1], place[2], place[3]));
    alternatives.open();
    const QStringList everyGroup = viewColumn(alternatives, QStringLiteral("descGroupNum"));
    ASSERT_FALSE(everyGroup.isEmpty());
    const QString& groupNum = everyGroup.front();
    alternatives.setFilter(ElectivesSql::disciplineGroupFilter(groupNum));
    alternatives.setFiltered(true);
    EXPECT_EQ(viewColumn(alternatives, QStringLiteral("descGroupNum")),
              QStringList(everyGroup.count(groupNum), groupNum));
}

}  // namespace
}  // namespace zev::testing
