// GetGroupElectives and GetFacultyGroups: what the export and the printed sheet of a group read.

#include "ServerFixture.h"

#include <QSet>

namespace zev::testing {
namespace {

using namespace zev::server;

using namespace Qt::StringLiterals;

class GroupExportProcedures : public DemoDatabase {
protected:
    static ResultSet groupElectives(Session& s, qint64 speciality, qint64 year, qint64 semester,
                                    qint64 group) {
        return s.query(u"EXEC GetGroupElectives ?, ?, ?, ?"_qs,
                       {std::int64_t{speciality}, std::int64_t{year}, std::int64_t{semester},
                        std::int64_t{group}});
    }
    static ResultSet facultyGroups(Session& s, qint64 login, qint64 faculty, qint64 year,
                                   qint64 semester) {
        return s.query(u"EXEC GetFacultyGroups ?, ?, ?, ?"_qs,
                       {std::int64_t{login}, std::int64_t{faculty}, std::int64_t{year},
                        std::int64_t{semester}});
    }
    static QString text(const ResultSet& rows, int row, const char* column) {
        return valueText(rows.at(row, rows.columnIndex(QString::fromLatin1(column))));
    }
};

// ИВТ-24 (group 5) of speciality 1 in 2024/2025 (year 2), semester 3.
TEST_F(GroupExportProcedures, EveryPlaceOfEveryMemberOfTheGroupByStudentNameThenByPlace) {
    auto s = staff();
    const ResultSet rows = groupElectives(*s, 1, 2, 3, 5);
    // The places as the electives grid reads them, student by student, without the procedure.
    const ResultSet members = s->query(u"SELECT id_student FROM s_g WHERE id_group = 5"_qs, {});
    ASSERT_EQ(members.rowCount(), 6);
    QSet<qint64> expectedPlaces;
    for (int m = 0; m < members.rowCount(); ++m) {
        const ResultSet places =
            s->query(u"EXEC SelectDisciplineForStudent 1, 2, 3, ?, 5"_qs, {members.at(m, 0)});
        for (int p = 0; p < places.rowCount(); ++p) {
            expectedPlaces.insert(std::get<std::int64_t>(places.at(p, 0)));
        }
    }
    ASSERT_GT(expectedPlaces.size(), 12);
    QSet<qint64> places;
    for (int r = 0; r < rows.rowCount(); ++r) {
        places.insert(
            std::get<std::int64_t>(rows.at(r, rows.columnIndex(u"id_disciplineForStudent"_qs))));
    }
    EXPECT_EQ(places, expectedPlaces);
    EXPECT_EQ(rows.rowCount(), expectedPlaces.size());

    // By name, and one student's places by group of alternatives.
    for (int r = 1; r < rows.rowCount(); ++r) {
        const QString before = text(rows, r - 1, "s_fio"), now = text(rows, r, "s_fio");
        ASSERT_LE(before.compare(now, Qt::CaseInsensitive), 0) << r;
        if (before == now) {
            EXPECT_LE(text(rows, r - 1, "descGroupNum").toInt(),
                      text(rows, r, "descGroupNum").toInt());
        }
    }
    // Names of what is chosen; NULL where nothing is.
    int empty = 0, chosen = 0;
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (text(rows, r, "id_discipline").isEmpty()) {
            ++empty;
            EXPECT_TRUE(text(rows, r, "p34").isEmpty());
            EXPECT_TRUE(text(rows, r, "t_fio").isEmpty());
        } else {
            ++chosen;
            EXPECT_FALSE(text(rows, r, "p34").isEmpty());
        }
        EXPECT_TRUE(text(rows, r, "p30").startsWith(u"Б1.В.ДВ."_qs)) << r;
    }
    EXPECT_GT(empty, 0);
    EXPECT_GT(chosen, 0);
    const int withTeacher = [&] {
        int n = 0;
        for (int r = 0; r < rows.rowCount(); ++r) {
            n += text(rows, r, "t_fio").count(u' ') == 2 ? 1 : 0;
        }
        return n;
    }();
    EXPECT_GT(withTeacher, 0) << "teachers are named by their three name parts";
    EXPECT_TRUE(text(rows, 0, "p32").contains(u'/'));
    EXPECT_TRUE(text(rows, 0, "p43").endsWith(u"семестр"_qs));

    // Another semester or another speciality: other places or none.
    EXPECT_EQ(groupElectives(*s, 2, 2, 3, 5).rowCount(), 0);
    EXPECT_EQ(groupElectives(*s, 1, 2, 3, 999).rowCount(), 0);
}

TEST_F(GroupExportProcedures, FacultyGroupsAreTheCascadesGroupsOfEverySpecialityOnce) {
    auto s = staff();
    const ResultSet groups = facultyGroups(*s, 1, 1, 2, 3);
    // The cascade's group list, speciality by speciality of the faculty (every form).
    QSet<QString> expected;
    const ResultSet specialities =
        s->query(u"SELECT DISTINCT id_speciality FROM Speciality_form WHERE id_faculty = 1"_qs, {});
    for (int sp = 0; sp < specialities.rowCount(); ++sp) {
        const ResultSet listed = s->query(
            u"SELECT g_r_y.id_group, [group].p20 FROM g_r_y, [group], Semester, g_s "
            u"WHERE g_r_y.id_group = [group].id_group AND g_r_y.id_rate = Semester.id_rate "
            u"AND g_r_y.id_group = g_s.id_group AND g_r_y.id_a_year = 2 "
            u"AND Semester.id_semester = 3 AND g_s.id_speciality = ?"_qs,
            {specialities.at(sp, 0)});
        for (int g = 0; g < listed.rowCount(); ++g) {
            expected.insert(valueText(specialities.at(sp, 0)) + u'/' + valueText(listed.at(g, 1)));
        }
    }
    QSet<QString> found;
    for (int r = 0; r < groups.rowCount(); ++r) {
        found.insert(text(groups, r, "id_speciality") + u'/' + text(groups, r, "p20"));
        EXPECT_FALSE(text(groups, r, "p25-2").isEmpty());
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(groups.rowCount(), expected.size()) << "each group once";
    EXPECT_TRUE(found.contains(u"1/ИВТ-24"_qs));
    EXPECT_TRUE(found.contains(u"1/ИВТз-24"_qs)) << "the part-time groups of the speciality too";
    for (int r = 1; r < groups.rowCount(); ++r) {
        EXPECT_LE(text(groups, r - 1, "p25-2").compare(text(groups, r, "p25-2")), 0);
    }

    // petrov works on faculty 2 only.
    EXPECT_EQ(facultyGroups(*s, 2, 1, 2, 3).rowCount(), 0);
    EXPECT_GT(facultyGroups(*s, 2, 2, 2, 3).rowCount(), 0);
}

TEST_F(GroupExportProcedures, TheSignInAccountMayNotRunThem) {
    auto s = signIn();
    EXPECT_TRUE(
        errorOf([&] { groupElectives(*s, 1, 2, 3, 5); }).contains(u"permission was denied"_qs));
    EXPECT_TRUE(
        errorOf([&] { facultyGroups(*s, 1, 1, 2, 3); }).contains(u"permission was denied"_qs));
}

}  // namespace
}  // namespace zev::testing
