// FindStudent: the students whose name begins with a text, of the faculties of one member of
// staff, each with the places in which the selection cascade reaches him.

#include "ServerFixture.h"
#include "server/engine/Database.h"

#include <QSet>

namespace zev::testing {
namespace {

using namespace zev::server;

using namespace Qt::StringLiterals;

class FindStudent : public DemoDatabase {
protected:
    static ResultSet find(Session& s, qint64 login, const QString& text) {
        return s.query(u"EXEC FindStudent ?, ?"_qs, {std::int64_t{login}, text});
    }
    static QString text(const ResultSet& rows, int row, const char* column) {
        return valueText(rows.at(row, rows.columnIndex(QString::fromLatin1(column))));
    }
    static std::int64_t key(const ResultSet& rows, int row, const char* column) {
        return std::get<std::int64_t>(rows.at(row, rows.columnIndex(QString::fromLatin1(column))));
    }
    static QSet<std::int64_t> students(const ResultSet& rows) {
        QSet<std::int64_t> ids;
        for (int r = 0; r < rows.rowCount(); ++r) {
            ids.insert(key(rows, r, "id_student"));
        }
        return ids;
    }
    // The students whose name begins with the prefix when both are written in lower case with е
    // for ё, and whose group studies in some academic year (so that the cascade reaches them);
    // read without the search table.
    static QSet<std::int64_t> studentsNamed(Session& s, const QString& prefix) {
        const ResultSet all = s.query(
            u"SELECT DISTINCT s_fio.id_student, s_fio.s_fio FROM s_fio, s_g, g_r_y "
            u"WHERE s_g.id_student = s_fio.id_student AND g_r_y.id_group = s_g.id_group"_qs,
            {});
        QSet<std::int64_t> ids;
        for (int r = 0; r < all.rowCount(); ++r) {
            QString name = valueText(all.at(r, 1)).toLower();
            name.replace(u'ё', u'е');
            if (name.startsWith(prefix)) {
                ids.insert(std::get<std::int64_t>(all.at(r, 0)));
            }
        }
        return ids;
    }
};

TEST_F(FindStudent, LetterCaseAndYoDoNotMatterAndOnlyNamesThatBeginWithTheTextCome) {
    auto s = staff();
    const QSet<std::int64_t> expected = studentsNamed(*s, u"федоров"_qs);
    ASSERT_FALSE(expected.isEmpty()) << "the demo holds students named Фёдоров";
    for (const QString& typed : {u"Фёдоров"_qs, u"федоров"_qs, u"ФЕДОРОВ"_qs, u"  фЁдОрОв "_qs}) {
        const ResultSet rows = find(*s, 1, typed);
        EXPECT_EQ(students(rows), expected) << typed.toStdString();
        for (int r = 0; r < rows.rowCount(); ++r) {
            EXPECT_TRUE(text(rows, r, "s_fio").startsWith(u"Фёдоров"_qs))
                << text(rows, r, "s_fio").toStdString();
        }
    }
    // The first name is part of the name too: typing on narrows the list.
    const ResultSet one = find(*s, 1, u"федоров"_qs);
    const QString full = text(one, 0, "s_fio");
    const ResultSet narrowed = find(*s, 1, full.left(full.indexOf(u' ') + 3));
    EXPECT_LE(narrowed.rowCount(), one.rowCount());
    EXPECT_TRUE(students(narrowed).contains(key(one, 0, "id_student")));
    // A part from the middle of a surname is not its beginning.
    EXPECT_EQ(find(*s, 1, u"едоров"_qs).rowCount(), 0);
}

TEST_F(FindStudent, EveryRowIsAPlaceTheCascadeReaches) {
    auto s = staff();
    const ResultSet rows = find(*s, 1, u"Ив"_qs);
    ASSERT_GT(rows.rowCount(), 0);
    ASSERT_EQ(rows.columnCount(), 13);
    for (int r = 0; r < rows.rowCount(); ++r) {
        const std::int64_t faculty = key(rows, r, "id_faculty");
        const std::int64_t form = key(rows, r, "id_f_educ");
        const std::int64_t speciality = key(rows, r, "id_speciality");
        const std::int64_t year = key(rows, r, "id_a_year");
        const std::int64_t semester = key(rows, r, "id_semester");
        const std::int64_t group = key(rows, r, "id_group");
        // The statements of the cascade's lists, with the keys of the row.
        EXPECT_GT(
            integer(*s, u"SELECT count(*) FROM com_sfe WHERE id_faculty = ? AND id_f_educ = ?"_qs,
                    {faculty, form}),
            0);
        EXPECT_GT(integer(*s,
                          u"SELECT count(*) FROM Speciality_form WHERE id_faculty=? and "
                          u"id_f_educ=? and id_speciality = ?"_qs,
                          {faculty, form, speciality}),
                  0);
        const ResultSet groups = s->query(
            u"SELECT g_r_y.id_group, [group].p20 FROM g_r_y, [group], Semester, g_s WHERE "
            u"g_r_y.id_group = [group].id_group AND g_r_y.id_rate = Semester.id_rate AND "
            u"g_r_y.id_group = g_s.id_group AND g_r_y.id_a_year =? AND Semester.id_semester =? "
            u"AND g_s.id_speciality =? ORDER BY [group].p20"_qs,
            {year, semester, speciality});
        bool groupListed = false;
        for (int g = 0; g < groups.rowCount(); ++g) {
            groupListed |= std::get<std::int64_t>(groups.at(g, 0)) == group &&
                           valueText(groups.at(g, 1)) == text(rows, r, "p20");
        }
        EXPECT_TRUE(groupListed) << "row " << r;
        EXPECT_EQ(integer(*s,
                          u"SELECT count(*) FROM s_g, s_fio WHERE s_g.id_student = "
                          u"s_fio.id_student AND s_g.id_group =? AND s_fio.id_student = ? "
                          u"AND s_fio.s_fio = ?"_qs,
                          {group, key(rows, r, "id_student"), text(rows, r, "s_fio")}),
                  1);
        EXPECT_EQ(valueText(scalar(*s, u"SELECT p32 FROM a_year WHERE id_a_year = ?"_qs, {year})),
                  text(rows, r, "p32"));
        EXPECT_EQ(
            valueText(scalar(*s, u"SELECT p43 FROM Semester WHERE id_semester = ?"_qs, {semester})),
            text(rows, r, "p43"));
    }
}

TEST_F(FindStudent, OnlyTheFacultiesOfTheMemberOfStaff) {
    auto s = staff();
    // Login 2 works on faculty 2 alone; login 1 on every faculty.
    const ResultSet everyFaculty = find(*s, 1, u"с"_qs);
    QSet<std::int64_t> faculties;
    for (int r = 0; r < everyFaculty.rowCount(); ++r) {
        faculties.insert(key(everyFaculty, r, "id_faculty"));
    }
    EXPECT_GT(faculties.size(), 1);
    for (const QString& prefix : {u"с"_qs, u"п"_qs, u"к"_qs}) {
        const ResultSet rows = find(*s, 2, prefix);
        EXPECT_GT(rows.rowCount(), 0) << prefix.toStdString();
        for (int r = 0; r < rows.rowCount(); ++r) {
            EXPECT_EQ(key(rows, r, "id_faculty"), 2);
        }
    }
    EXPECT_EQ(find(*s, 999, u"с"_qs).rowCount(), 0);
}

TEST_F(FindStudent, BlankTextWildcardsAndTheRowLimit) {
    auto s = staff();
    for (const QString& typed : {QString(), u"   "_qs, u"%"_qs, u"_"_qs, u"[а-я]"_qs}) {
        const ResultSet rows = find(*s, 1, typed);
        EXPECT_EQ(rows.rowCount(), 0) << typed.toStdString();
        EXPECT_EQ(rows.columnCount(), 13);
    }
    EXPECT_EQ(s->query(u"EXEC FindStudent ?, NULL"_qs, {std::int64_t{1}}).rowCount(), 0);
    // One letter matches more places than one answer holds: the first 100 by name.
    const ResultSet many = find(*s, 1, u"с"_qs);
    ASSERT_EQ(many.rowCount(), 100);
    for (int r = 1; r < many.rowCount(); ++r) {
        QString before = text(many, r - 1, "s_fio").toLower().replace(u'ё', u'е');
        QString after = text(many, r, "s_fio").toLower().replace(u'ё', u'е');
        EXPECT_LE(before, after) << r;
    }
}

TEST_F(FindStudent, TheSearchFollowsEveryChangeOfTheStudentsNames) {
    {
        Database db(made().databaseFile, Database::Mode::ReadWrite);
        db.execute(u"INSERT INTO s_fio (id_student, s_fio) VALUES (90001, 'Ёлкин Пётр Ильич')"_qs);
        // Group 2 studies in the first academic year; its first student is student 7.
        db.execute(u"INSERT INTO s_g (id_student, id_group) VALUES (90001, 2)"_qs);
        db.execute(u"UPDATE s_fio SET s_fio = 'Щукин Иван Ильич' WHERE id_student = 7"_qs);
        db.execute(u"INSERT INTO s_fio (id_student, s_fio) VALUES (90002, 'Ёжиков Ян')"_qs);
        db.execute(u"DELETE FROM s_fio WHERE id_student = 90002"_qs);
    }
    auto s = staff();
    EXPECT_EQ(students(find(*s, 1, u"елкин"_qs)), QSet<std::int64_t>{90001});
    EXPECT_EQ(students(find(*s, 1, u"ЩУКИН"_qs)), QSet<std::int64_t>{7});
    EXPECT_FALSE(students(find(*s, 1, u"Ёжиков"_qs)).contains(90002));
    // The search table is the server's own: staff reach it through FindStudent alone.
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT count(*) FROM student_search"_qs, {}); }),
              u"The SELECT permission was denied on the object 'student_search', database 'ZEV', "
              u"schema 'dbo'."_qs);
    Database db(made().databaseFile, Database::Mode::ReadWrite);
    EXPECT_EQ(db.query(u"SELECT count(*) FROM student_search"_qs).at(0, 0),
              db.query(u"SELECT count(*) FROM s_fio"_qs).at(0, 0));
}

}  // namespace
}  // namespace zev::testing
