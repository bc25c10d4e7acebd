// The embedded server against statements that try to get past its front end, crash it, or
// read what T-SQL would answer otherwise; its rights; its storage under concurrent writers.
#include "ServerFixture.h"

#include "server/engine/Database.h"

#include <QFile>

#include <sys/wait.h>
#include <unistd.h>

namespace zev::testing {
namespace {

using namespace zev::server;

class Hardening : public DemoDatabase {
protected:
    void SetUp() override { s = staff(); }
    std::unique_ptr<Session> s;

    std::int64_t count(const QString& table) {
        Database file(made().databaseFile, Database::Mode::ReadWrite);
        return std::get<std::int64_t>(file.query(u"SELECT count(*) FROM "_qs + table).at(0, 0));
    }
};

TEST_F(Hardening, CommentInjectionThroughSignsReachesNothing) {
    const ResultSet rows = s->query(
        u"SELECT [p23-1] FROM Faculty WHERE id_faculty = - -1 AND [p23-1] <> "_qs
        "'\n0 UNION ALL SELECT name||char(32)||password FROM db_account --'"_qs,
        {});
    ASSERT_EQ(rows.rowCount(), 1);  // faculty 1, and nothing of the accounts
    EXPECT_FALSE(valueText(rows.at(0, 0)).contains(QString::fromLatin1(kStaffPassword)));

    const std::int64_t before = count(u"DisciplineForStudent"_qs);
    const std::int64_t id =
        integer(*s, u"SELECT min(id_disciplineForStudent) FROM DisciplineForStudent"_qs);
    const qint64 deleted = s->execute(
        u"DELETE FROM DisciplineForStudent WHERE "_qs
        "id_disciplineForStudent = - -"_qs +
            QString::number(id) + u" AND ZEV_user <> '\n1 OR 1 = 1 --'"_qs,
        {});
    EXPECT_LE(deleted, 1);
    EXPECT_GE(count(u"DisciplineForStudent"_qs), before - 1);
}

TEST_F(Hardening, DeepStatementsAreRefusedEvenBeforeThePermissionCheck) {
    auto signInOnly = signIn();
    for (const QString& sql :
         {u"SELECT "_qs + u"("_qs.repeated(5000) + u"1"_qs + u")"_qs.repeated(5000),
          u"SELECT "_qs + u"NOT "_qs.repeated(100000) + u"1 = 1"_qs,
          u"SELECT "_qs + u"ABS("_qs.repeated(10000) + u"1"_qs + u")"_qs.repeated(10000)}) {
        EXPECT_TRUE(errorOf([&] { signInOnly->query(sql, {}); }).contains(u"nested too deeply"_qs));
        EXPECT_TRUE(errorOf([&] { s->query(sql, {}); }).contains(u"nested too deeply"_qs));
    }
    // Deeper than SQLite's own parser goes, yet within the limit: refused with the same words.
    EXPECT_TRUE(errorOf([&] {
                    s->query(
                        u"SELECT "_qs + u"ABS("_qs.repeated(100) + u"1"_qs + u")"_qs.repeated(100),
                        {});
                }).contains(u"nested too deeply"_qs));
}

TEST_F(Hardening, LongPlusChainsRunWithoutNesting) {
    EXPECT_EQ(integer(*s, u"SELECT 1"_qs + u" + 1"_qs.repeated(299)), 300);
    EXPECT_EQ(valueText(scalar(*s, u"SELECT 'a'"_qs + u" + 'b'"_qs.repeated(40))),
              u"a"_qs + u"b"_qs.repeated(40));
    EXPECT_EQ(integer(*s, u"SELECT 10 - 2 - 3 + 1 * 4 - 6 / 3 % 4"_qs), 7);
}

TEST_F(Hardening, ArithmeticAsTsql) {
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT 1/0"_qs, {}); }),
              u"Divide by zero error encountered."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT 5 % 0"_qs, {}); }),
              u"Divide by zero error encountered."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT 2147483647 + 1"_qs, {}); }),
              u"Arithmetic overflow error converting expression to data type int."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT 65536 * 65536"_qs, {}); }),
              u"Arithmetic overflow error converting expression to data type int."_qs);
    EXPECT_EQ(integer(*s, u"SELECT 7 / 2"_qs), 3);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT 'a' - 'b'"_qs, {}); }),
              u"Operand data type varchar is invalid for subtract operator."_qs);
    EXPECT_TRUE(isNull(scalar(*s, u"SELECT 1 + NULL"_qs)));
}

TEST_F(Hardening, TextFunctionsAndLikeAsTsql) {
    EXPECT_EQ(integer(*s, u"SELECT LEN('ab  ')"_qs), 2);
    EXPECT_EQ(integer(*s, u"SELECT LEN('  ab')"_qs), 4);
    EXPECT_EQ(valueText(scalar(*s, u"SELECT UPPER(N'абв ё'), LOWER(N'ЖЁ')"_qs)), u"АБВ Ё"_qs);
    const std::int64_t cyrillic =
        integer(*s, u"SELECT count(*) FROM discipline WHERE p34 LIKE '[А-Я]%'"_qs);
    EXPECT_GT(cyrillic, 0);
    EXPECT_EQ(cyrillic, integer(*s, u"SELECT count(*) FROM discipline WHERE p34 LIKE '[а-я]%'"_qs));
    EXPECT_EQ(
        integer(*s, u"SELECT count(*) FROM discipline WHERE p34 LIKE '[^А-Я]%'"_qs) + cyrillic,
        integer(*s, u"SELECT count(*) FROM discipline"_qs));
    EXPECT_EQ(integer(*s, u"SELECT count(*) FROM a_year WHERE 'Иванов' LIKE 'иВ_Н%'"_qs), 3);
    EXPECT_EQ(integer(*s, u"SELECT count(*) FROM a_year WHERE 'a[b' LIKE 'a[b'"_qs), 3);
}

TEST_F(Hardening, TextComparesIgnoringCaseInEveryAlphabetAndTrailingBlanks) {
    const QString name = valueText(scalar(*s, u"SELECT min(p34) FROM discipline"_qs));
    ASSERT_FALSE(name.isEmpty());
    for (const QString& variant : {name.toUpper(), name.toLower() + u"   "_qs}) {
        EXPECT_EQ(integer(*s, u"SELECT count(*) FROM discipline WHERE p34 = ?"_qs, {variant}),
                  integer(*s, u"SELECT count(*) FROM discipline WHERE p34 = ?"_qs, {name}))
            << variant.toStdString();
    }
    EXPECT_GT(integer(*s, u"SELECT count(*) FROM discipline WHERE p34 = ?"_qs, {name.toUpper()}),
              0);
    // Sorting follows the same collation.
    const ResultSet sorted = s->query(u"SELECT p34 FROM discipline ORDER BY p34"_qs, {});
    ASSERT_GT(sorted.rowCount(), 1);
    for (int r = 1; r < sorted.rowCount(); ++r) {
        EXPECT_LE(QString::compare(valueText(sorted.at(r - 1, 0)), valueText(sorted.at(r, 0)),
                                   Qt::CaseInsensitive),
                  0);
    }
    EXPECT_EQ(integer(*s, u"SELECT count(DISTINCT p34) FROM discipline WHERE p34 IN (?, ?)"_qs,
                      {name, name.toUpper()}),
              1);
}

// Another tool wrote a name in the Cyrillic code page instead of UTF-8.
TEST_F(Hardening, TextNotInUtf8IsReadAsWindows1251AndItsRowCanBeSaved) {
    const std::int64_t id =
        integer(*s, u"SELECT min(id_disciplineForStudent) FROM DisciplineForStudent"_qs);
    Database file(made().databaseFile, Database::Mode::ReadWrite);
    file.execute(
        u"UPDATE DisciplineForStudent SET ZEV_user = CAST(x'C8E2E0EDEEE2E0' AS TEXT) "_qs
        "WHERE id_disciplineForStudent = ?"_qs,
        {id});
    const QString read = valueText(scalar(
        *s, u"SELECT ZEV_user FROM DisciplineForStudent WHERE id_disciplineForStudent = ?"_qs,
        {id}));
    EXPECT_EQ(read, u"Иванова"_qs);
    // The write-back names the original value; it must find the row.
    EXPECT_EQ(s->execute(u"UPDATE DisciplineForStudent SET subgroup = subgroup WHERE "_qs
                         "id_disciplineForStudent = ? AND ZEV_user = ?"_qs,
                         {id, read}),
              1);
    EXPECT_EQ(valueText(file.query(u"SELECT hex(ZEV_user) FROM DisciplineForStudent WHERE "_qs
                                   "id_disciplineForStudent = ?"_qs,
                                   {id})
                            .at(0, 0)),
              u"C8E2E0EDEEE2E0"_qs);
}

// Texts whose bytes are easy to misread: a code-page text whose last byte would lead a UTF-8
// sequence, and a UTF-8 text holding a byte order mark after its first letters. Both read whole,
// the same from the kept result as from SQLite, and their rows are found by the values read.
TEST_F(Hardening, TextsReadWholeWhateverTheirLastOrInnerBytes) {
    const std::int64_t id =
        integer(*s, u"SELECT min(id_disciplineForStudent) FROM DisciplineForStudent"_qs);
    Database file(made().databaseFile, Database::Mode::ReadWrite);
    const QString select =
        u"SELECT ZEV_user FROM DisciplineForStudent WHERE id_disciplineForStudent = ?"_qs;
    for (const auto& [hex, text] :
         {std::pair{"3231C2", u"21В"_qs}, std::pair{"6162EFBBBF63", u"ab\uFEFFc"_qs}}) {
        file.execute(
            u"UPDATE DisciplineForStudent SET ZEV_user = CAST(x'%1' AS TEXT) "_qs
            "WHERE id_disciplineForStudent = ?"_qs.arg(QLatin1String(hex)),
            {id});
        s->forgetKeptResults();
        EXPECT_EQ(valueText(scalar(*s, select, {id})), text) << hex;
        EXPECT_EQ(valueText(scalar(*s, select, {id})), text) << hex;  // kept
        EXPECT_EQ(s->execute(u"UPDATE DisciplineForStudent SET subgroup = subgroup WHERE "_qs
                             "id_disciplineForStudent = ? AND ZEV_user = ?"_qs,
                             {id, text}),
                  1)
            << hex;
    }
}

TEST_F(Hardening, StaffReachOnlyWhatTheClientUses) {
    const auto denied = [](const char* verb, const char* table) {
        return u"The %1 permission was denied on the object '%2', database 'ZEV', schema 'dbo'."_qs
            .arg(QLatin1String(verb), QLatin1String(table));
    };
    EXPECT_EQ(errorOf([&] {
                  s->execute(u"INSERT INTO user_faculty (id_login, faculty) VALUES (2, 1)"_qs, {});
              }),
              denied("INSERT", "user_faculty"));
    EXPECT_EQ(errorOf([&] { s->execute(u"DELETE FROM user_faculty"_qs, {}); }),
              denied("DELETE", "user_faculty"));
    EXPECT_EQ(errorOf([&] { s->execute(u"UPDATE Faculty SET [p23-1] = 'x'"_qs, {}); }),
              denied("UPDATE", "Faculty"));
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT * FROM plan_elective"_qs, {}); }),
              denied("SELECT", "plan_elective"));
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT * FROM pps"_qs, {}); }), denied("SELECT", "pps"));
    EXPECT_EQ(errorOf([&] {
                  s->execute(u"INSERT INTO DisciplineForStudent (id_student) VALUES (1)"_qs, {});
              }),
              denied("INSERT", "DisciplineForStudent"));
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT * FROM pragma_table_list"_qs, {}); }),
              u"Invalid object name 'pragma_table_list'."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"SELECT * FROM pragma_database_list"_qs, {}); }),
              u"Invalid object name 'pragma_database_list'."_qs);
    // What the client does stays allowed.
    EXPECT_GT(s->query(u"SELECT faculty FROM user_faculty"_qs, {}).rowCount(), 0);
    EXPECT_EQ(s->execute(u"UPDATE Debts SET id_semester = id_semester WHERE id_debts = -1"_qs, {}),
              0);
}

TEST_F(Hardening, ConstraintAndFileErrorsNameWhatHappened) {
    const std::int64_t id =
        integer(*s, u"SELECT min(id_disciplineForStudent) FROM DisciplineForStudent"_qs);
    EXPECT_EQ(errorOf([&] {
                  s->execute(
                      u"UPDATE DisciplineForStudent SET id_student = NULL WHERE "_qs
                      "id_disciplineForStudent = ?"_qs,
                      {id});
              }),
              u"Cannot insert the value NULL into column 'id_student', table "_qs
              "'ZEV.dbo.DisciplineForStudent'; column does not allow nulls. The statement has been "
              "terminated.");
    const std::int64_t debt = integer(*s, u"SELECT min(id_debts) FROM Debts"_qs);
    EXPECT_EQ(
        errorOf([&] {
            s->execute(u"INSERT INTO Debts (id_debts, id_semester) VALUES (?, 1)"_qs, {debt});
        }),
        u"Violation of PRIMARY KEY constraint on 'Debts.id_debts'. Cannot insert duplicate "_qs
        "key in object 'dbo.Debts'. The statement has been terminated.");
    for (const QString& value : {u"2147483648"_qs, u"-2147483649"_qs, u"'abc'"_qs}) {
        EXPECT_EQ(errorOf([&] {
                      s->execute(u"UPDATE DisciplineForStudent SET subgroup = "_qs + value +
                                     u" WHERE id_disciplineForStudent = ?"_qs,
                                 {id});
                  }),
                  u"Arithmetic overflow error converting expression to data type int: the value "_qs
                  "for column 'subgroup' is not an int. The statement has been terminated.")
            << value.toStdString();
    }
    EXPECT_EQ(s->execute(u"UPDATE DisciplineForStudent SET subgroup = 2147483647 WHERE "_qs
                         "id_disciplineForStudent = ?"_qs,
                         {id}),
              1);

    // A damaged header: SQLite's mark is there, the page size is not a power of two.
    const QString damaged = folder() + u"/damaged.sqlite"_qs;
    ASSERT_TRUE(QFile::copy(made().databaseFile, damaged));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(16);
        f.write(QByteArray("\x03\x03", 2));
    }
    const QString staffUser = QString::fromLatin1(kStaffUser);
    const QString staffPassword = QString::fromLatin1(kStaffPassword);
    EXPECT_TRUE(errorOf([&] {
                    Session::open(damaged, staffUser, staffPassword);
                }).contains(u"is damaged"_qs));
    // A database of another program.
    const QString foreign = folder() + u"/other.sqlite"_qs;
    {
        Database other(foreign, Database::Mode::CreateNew);
        other.script(u"CREATE TABLE notes (id INTEGER)"_qs);
    }
    EXPECT_TRUE(errorOf([&] {
                    Session::open(foreign, staffUser, staffPassword);
                }).contains(u"not a ZEV database"_qs));
    // A file deleted under an open session.
    const QString doomed = folder() + u"/doomed.sqlite"_qs;
    ASSERT_TRUE(QFile::copy(made().databaseFile, doomed));
    auto open = Session::open(doomed, staffUser, staffPassword);
    ASSERT_TRUE(QFile::remove(doomed));
    const QString gone = errorOf([&] { open->execute(u"DELETE FROM Debts"_qs, {}); });
    EXPECT_TRUE(gone.contains(u"deleted"_qs)) << gone.toStdString();
}

// A second process writes without pause; this one reads and writes meanwhile and never fails.
TEST_F(Hardening, AContinuousWriterNeverMakesAReaderOrAnotherWriterFail) {
    const std::int64_t id =
        integer(*s, u"SELECT min(id_disciplineForStudent) FROM DisciplineForStudent"_qs);
    const std::int64_t debt = integer(*s, u"SELECT min(id_debts) FROM Debts"_qs);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        int status = 0;
        try {
            auto own = staff();
            for (int i = 0; i < 400; ++i) {
                own->execute(
                    u"UPDATE DisciplineForStudent SET ZEV_user = ? WHERE "_qs
                    "id_disciplineForStudent = ?"_qs,
                    {QStringLiteral("writer %1").arg(i), id});
            }
        } catch (...) {
            status = 1;
        }
        _exit(status);
    }
    int reads = 0;
    QString failure;
    int status = 0;
    while (waitpid(writer, &status, WNOHANG) == 0) {
        try {
            s->query(u"SELECT count(*) FROM DisciplineForStudent WHERE ZEV_user IS NOT NULL"_qs,
                     {});
            if (++reads % 20 == 0) {
                s->execute(u"UPDATE Debts SET id_semester = id_semester WHERE id_debts = ?"_qs,
                           {debt});
            }
        } catch (const DatabaseError& e) {
            failure = e.text();
            break;
        }
    }
    if (!failure.isEmpty()) {
        waitpid(writer, &status, 0);
    }
    EXPECT_EQ(failure, QString());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(valueText(scalar(*s,
                               u"SELECT ZEV_user FROM DisciplineForStudent WHERE "_qs
                               "id_disciplineForStudent = ?"_qs,
                               {id})),
              u"writer 399"_qs);
}

}  // namespace
}  // namespace zev::testing
