// Opening sessions: accounts, files that are missing, read-only or not ZEV databases.
#include "ServerFixture.h"

#include <QFile>

namespace zev::testing {
namespace {

using namespace zev::server;

class Sessions : public DemoDatabase {};

TEST_F(Sessions, AccountsAreChecked) {
    EXPECT_NO_THROW(staff());
    EXPECT_EQ(errorOf([] { Session::open(made().databaseFile, u"zev_staff"_qs, u"guess"_qs); }),
              u"Login failed for user 'zev_staff'."_qs);
    EXPECT_EQ(errorOf([] { Session::open(made().databaseFile, u"sa"_qs, u""_qs); }),
              u"Login failed for user 'sa'."_qs);
}

TEST_F(Sessions, StaffCannotReadTheSignInTables) {
    auto s = staff();
    EXPECT_EQ(
        errorOf([&] { s->query(u"SELECT * FROM zev_login"_qs, {}); }),
        u"The SELECT permission was denied on the object 'zev_login', database 'ZEV', schema 'dbo'."_qs);
    EXPECT_NE(errorOf([&] { s->query(u"SELECT * FROM db_account"_qs, {}); }), u"<no error>"_qs);
}

TEST_F(Sessions, MissingForeignAndReadOnlyFiles) {
    EXPECT_TRUE(errorOf([] {
                    Session::open(folder() + u"/none.sqlite"_qs, u"a"_qs, u"b"_qs);
                }).contains(u"does not exist"_qs));
    const QString foreign = folder() + u"/foreign.sqlite"_qs;
    {
        QFile f(foreign);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    EXPECT_TRUE(errorOf([&] {
                    Session::open(foreign, u"a"_qs, u"b"_qs);
                }).contains(u"not a ZEV database"_qs));

    const QString copy = folder() + u"/readonly.sqlite"_qs;
    ASSERT_TRUE(QFile::copy(made().databaseFile, copy));
    ASSERT_TRUE(QFile::setPermissions(
        copy, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther));
    auto s =
        Session::open(copy, QString::fromLatin1(kStaffUser), QString::fromLatin1(kStaffPassword));
    EXPECT_EQ(s->query(u"SELECT id_a_year, p32 FROM a_year"_qs, {}).rowCount(), 3);
    EXPECT_TRUE(
        errorOf([&] { s->execute(u"DELETE FROM Debts"_qs, {}); }).contains(u"read-only"_qs));
    EXPECT_GT(s->query(u"SELECT * FROM Debts"_qs, {}).rowCount(), 0);
}

TEST_F(Sessions, ErrorsInSqlServerWordingAndNothingHalfWritten) {
    auto s = staff();
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT nope FROM a_year"_qs, {}); }),
              u"Invalid column name 'nope'."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT * FROM nowhere"_qs, {}); }),
              u"Invalid object name 'nowhere'."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT * FROM a_year WHERE id_a_year = ?"_qs, {}); }),
              u"The statement has 1 parameter markers, but 0 values were supplied."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT 'a' + 1"_qs, {}); }),
              u"Conversion failed when converting the varchar value 'a' to data type int."_qs);
    EXPECT_EQ(valueText(s->query(u"SELECT 'a' + NULL, '2' + 1, 'a' + 'b'"_qs, {}).at(0, 1)),
              u"3"_qs);
    // A multi-row insert that fails on its second row leaves no first row behind.
    const auto before = integer(*s, u"SELECT COUNT(*) FROM Debts"_qs);
    EXPECT_NE(
        errorOf([&] {
            s->execute(
                u"INSERT INTO Debts (id_debts, id_semester) VALUES (900001, 1), (900001, 1)"_qs,
                {});
        }),
        u"<no error>"_qs);
    EXPECT_EQ(integer(*s, u"SELECT COUNT(*) FROM Debts"_qs), before);
    EXPECT_EQ(
        errorOf([&] { s->query(u"EXEC SelectDisciplineForStudent 1, 2, 3, 4, 5, 6"_qs, {}); }),
        u"Procedure or function SelectDisciplineForStudent has too many arguments specified."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"EXEC GetDebts @id_group = 1, 2, 3"_qs, {}); }).left(30),
              u"Must pass parameter number 2 a"_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"EXEC GetDebts 'x', 2, 3"_qs, {}); }).left(38),
              u"Error converting data type varchar to "_qs);
}

}  // namespace
}  // namespace zev::testing
