// The statements that the registration window and the record rules compose, checked byte for
// byte against the texts the server has always received.
#include "data/ElectivesSql.h"
#include "registration/ChosenDisciplinesSql.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

namespace cds = ChosenDisciplinesSql;

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

TEST(ChosenDisciplinesStatementsTest, StudentChoiceListsKeepEveryBlank) {
    EXPECT_EQ(cds::departments(QStringLiteral("3"), QStringLiteral("2")),
              QStringLiteral("Select ZEV.dbo.RRNKkrdt.id_kafedra,f1  From ZEV.dbo.kafedra Inner "
                             "join  ZEV.dbo.RRNKkrdt on "
                             "ZEV.dbo.kafedra.id_kafedra=ZEV.dbo.RRNKkrdt.id_kafedra  where "
                             "id_a_year=3 and id_w_s=2 group by ZEV.dbo.RRNKkrdt.id_kafedra,f1"));
    EXPECT_EQ(cds::disciplines(QStringLiteral("3"), QStringLiteral("2")),
              QStringLiteral(
                  "SELECT dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline "
                  "FROM dbo.RRNKkrdt INNER JOIN dbo.discipline ON dbo.RRNKkrdt.id_discipline = "
                  "dbo.discipline.id_discipline INNER JOIN dbo.kafedra ON dbo.RRNKkrdt.id_kafedra "
                  "= dbo.kafedra.id_kafedra WHERE     (dbo.RRNKkrdt.id_a_year = 3) AND "
                  "(dbo.RRNKkrdt.id_w_s = 2) GROUP BY dbo.discipline.p34, "
                  "dbo.kafedra.id_kafedra, dbo.discipline.id_discipline"));
    EXPECT_EQ(
        cds::teachers(QStringLiteral("3"), QStringLiteral("1")),
        QStringLiteral(
            "SELECT     dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26 + ' ' "
            "+ dbo.teacher.p27 + ' ' + dbo.teacher.p28 AS t_fio FROM         dbo.RRNKkrdt "
            "INNER JOIN dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = dbo.kafedra.id_kafedra "
            "INNER JOIN dbo.teacher ON dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher "
            "WHERE     (dbo.RRNKkrdt.id_a_year = 3) AND (dbo.RRNKkrdt.id_w_s = 1) GROUP BY "
            "dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26, "
            "dbo.teacher.p27, dbo.teacher.p28 "));
    EXPECT_EQ(
        cds::streams(QStringLiteral("3"), QStringLiteral("1")),
        QStringLiteral("SELECT     dbo.RRNKkrdt.subgroup FROM         dbo.RRNKkrdt INNER JOIN "
                       "dbo.teacher ON dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     "
                       "(dbo.RRNKkrdt.id_a_year = 3) AND (dbo.RRNKkrdt.id_w_s = 1) GROUP BY "
                       "dbo.RRNKkrdt.subgroup"));
    EXPECT_EQ(cds::rows(QStringLiteral("17"), QStringLiteral("3"), QStringLiteral("5")),
              QStringLiteral("SELECT * FROM zev.dbo.DisciplineForStudent2 WHERE id_student=17 AND "
                             "id_a_year=3 AND id_semester=5"));
}

TEST(ChosenDisciplinesStatementsTest, ColumnHooksNarrowToOneDepartmentOrTeacher) {
    EXPECT_EQ(
        cds::disciplinesOfDepartment(QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("8")),
        QStringLiteral(
            "SELECT dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline FROM "
            "dbo.RRNKkrdt INNER JOIN dbo.discipline ON dbo.RRNKkrdt.id_discipline = "
            "dbo.discipline.id_discipline INNER JOIN dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = "
            "dbo.kafedra.id_kafedra WHERE     (dbo.RRNKkrdt.id_a_year = 3) AND "
            "(dbo.RRNKkrdt.id_w_s = 2) GROUP BY dbo.discipline.p34, dbo.kafedra.id_kafedra, "
            "dbo.discipline.id_discipline HAVING      (dbo.kafedra.id_kafedra = 8)"));
    EXPECT_EQ(
        cds::teachersOfDepartment(QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("8")),
        QStringLiteral(
            "SELECT     dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26 + ' ' + "
            "dbo.teacher.p27 + ' ' + dbo.teacher.p28 AS t_fio FROM         dbo.RRNKkrdt INNER "
            "JOIN dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = dbo.kafedra.id_kafedra INNER JOIN "
            "dbo.teacher ON dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     "
            "(dbo.RRNKkrdt.id_a_year = 3) AND (dbo.RRNKkrdt.id_w_s =2) GROUP BY "
            "dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26, dbo.teacher.p27, "
            "dbo.teacher.p28 HAVING      (dbo.kafedra.id_kafedra = 8)"));
    EXPECT_EQ(
        cds::streamsOfTeacher(QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("41")),
        QStringLiteral(
            "SELECT     dbo.RRNKkrdt.subgroup, dbo.teacher.id_teacher FROM         dbo.RRNKkrdt "
            "INNER JOIN dbo.teacher ON dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     "
            "(dbo.RRNKkrdt.id_a_year = 3) AND (dbo.RRNKkrdt.id_w_s = 2) GROUP BY "
            "dbo.RRNKkrdt.subgroup, dbo.teacher.id_teacher HAVING      (dbo.teacher.id_teacher = "
            "41)"));
}

TEST(ElectivesStatementsTest, TeacherListsAndRemoval) {
    EXPECT_EQ(ElectivesSql::teachersOfDepartment(QStringLiteral("12")),
              QStringLiteral("SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, 12)"));
    EXPECT_EQ(ElectivesSql::noTeachers(),
              QStringLiteral("SELECT TOP 0 0 AS id_teacher, '' AS t_fio "));
    EXPECT_EQ(ElectivesSql::allTeachers(), QStringLiteral("SELECT * FROM t_fio"));
    EXPECT_EQ(
        ElectivesSql::deleteElective(QStringLiteral("905")),
        QStringLiteral("DELETE FROM DisciplineForStudent WHERE id_disciplineForStudent = 905"));
}

TEST(ElectivesStatementsTest, FiltersOfTheLookupLists) {
    EXPECT_EQ(ElectivesSql::disciplineGroupFilter(QStringLiteral("7")),
              QStringLiteral("descGroupNum = 7"));
    EXPECT_EQ(ElectivesSql::semesterFilter(QStringLiteral("3"), QStringLiteral("12")),
              QStringLiteral("(id_a_year = 3) and (id_group = 12)"));
    EXPECT_EQ(ElectivesSql::noSemesterFilter(), QStringLiteral("id_a_year = -1"));
    EXPECT_EQ(
        ElectivesSql::streamFilter({QStringLiteral("4"), QStringLiteral("7"), QStringLiteral("21"),
                                    QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("2")}),
        QStringLiteral("(id_kafedra = 4) and (id_teacher = 7) and (id_discipline = 21) and "
                       "(id_examination = 1) and (id_a_year = 3) and (id_w_s = 2)"));
    EXPECT_EQ(ElectivesSql::noStreamFilter(), QStringLiteral("(id_kafedra = -200)"));
}

TEST(ElectivesStatementsTest, NewStreamCarriesTheConstantsInTheirPlaces) {
    ElectivesSql::NewStream s{QStringLiteral("4"),  QStringLiteral("7"), QStringLiteral("21"),
                              QStringLiteral("1"),  QStringLiteral("3"), QStringLiteral("2"),
                              QStringLiteral("15"), QStringLiteral("1"), QStringLiteral("5")};
    EXPECT_EQ(ElectivesSql::insertStream(s),
              QStringLiteral("INSERT INTO RRNKkrdt(id_kafedra, id_teacher, id_discipline, "
                             "id_examination, id_a_year, id_w_s, prov_reyt, subgroup, plan_fakt, "
                             "id_o_z, id_semester, id_type_chasov)VALUES(4, 7, 21, 1, 3, 2, 1, 15, "
                             "1, 1, 5, 2)"));
}

}  // namespace
}  // namespace zev
