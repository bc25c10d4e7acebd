// GET_USER through a session of the fixed sign-in account, as the client calls it.
#include "ServerFixture.h"

#include "core/Cp1251.h"
#include "server/engine/Database.h"
#include "server/engine/SignIn.h"

namespace zev::testing {
namespace {

using namespace zev::server;

class SignIn : public DemoDatabase {
protected:
    void SetUp() override { s = signIn(); }

    // The statement exactly as the client composes it.
    ResultSet call(const QString& login, const QString& password,
                   const QString& newPassword = u"NULL"_qs,
                   const QString& computer = u"КАБ-101"_qs) {
        const QString newArg = newPassword == u"NULL"_qs
                                   ? newPassword
                                   : u"'"_qs + passwordDigest(newPassword) + u"'"_qs;
        const QString sql = u"EXEC GET_USER '"_qs + login + u"',"_qs + u"'"_qs +
                            passwordDigest(password) + u"',"_qs + newArg + u", "_qs +
                            u"'ZEV 32"_qs + u"'"_qs + u", '"_qs + u"192.168.0.7"_qs + u"', "_qs +
                            u"'"_qs + computer + u"'"_qs + u", '"_qs + login + u"',"_qs +
                            u"'0',"_qs + u"'"_qs + QString::number(newArg.size()) + u"'"_qs;
        ResultSet rows = s->query(sql, {});
        EXPECT_EQ(rows.rowCount(), 1);
        EXPECT_EQ(rows.columnCount(), 6);
        return rows;
    }
    static QString text(const ResultSet& r, int column) { return valueText(r.at(0, column)); }
    static std::int64_t number(const ResultSet& r, int column) {
        return std::get<std::int64_t>(r.at(0, column));
    }
    // The client's ShiftText: each Windows-1251 code one up, modulo 256.
    static QString shiftUp(const QString& t) {
        QByteArray bytes = toCp1251(t);
        for (char& c : bytes) {
            c = static_cast<char>(static_cast<unsigned char>(c) + 1);
        }
        return fromCp1251(bytes);
    }

    std::unique_ptr<Session> s;
};

TEST(ShiftDown, MovesWindows1251CodesDown) {
    // The inverse of the client's ShiftText: Cyrillic letters stay Cyrillic, 0 wraps to 'я'.
    EXPECT_EQ(shiftDown(u"каА"_qs), u"йЯї"_qs);
    EXPECT_EQ(shiftDown(QString(QChar(0))), u"я"_qs);
    EXPECT_EQ(shiftDown(u"b;~"_qs), u"a:}"_qs);
}

TEST_F(SignIn, SuccessHandsOverTheStaffAccount) {
    const ResultSet r = call(u"ivanova"_qs, u"Demo2025"_qs);
    EXPECT_EQ(text(r, 4), QString());
    EXPECT_EQ(shiftUp(text(r, 0)), QString::fromLatin1(kStaffUser));
    EXPECT_EQ(shiftUp(text(r, 1)), QString::fromLatin1(kStaffPassword));
    EXPECT_EQ(number(r, 2), 1);
    EXPECT_EQ(number(r, 3), 90);
    EXPECT_EQ(number(r, 5), 0);
    // The account opens a session that reaches the data.
    auto user = Session::open(made().databaseFile, shiftUp(text(r, 0)), shiftUp(text(r, 1)));
    EXPECT_EQ(user->query(u"SELECT id_a_year, p32 FROM a_year"_qs, {}).rowCount(), 3);
}

TEST_F(SignIn, RefusalsAnswerAMessageAndNoAccount) {
    for (const auto& [login, password] :
         {std::pair{u"ivanova"_qs, u"wrong"_qs}, std::pair{u"nobody"_qs, u"Demo2025"_qs},
          std::pair{u"kuznetsov"_qs, u"Kuznetsov3"_qs}}) {
        const ResultSet r = call(login, password);
        EXPECT_FALSE(text(r, 4).isEmpty()) << login.toStdString();
        EXPECT_TRUE(text(r, 0).isEmpty());
        EXPECT_TRUE(text(r, 1).isEmpty());
        EXPECT_EQ(number(r, 5), 0);
    }
    EXPECT_NE(text(call(u"kuznetsov"_qs, u"Kuznetsov3"_qs), 4),
              text(call(u"ivanova"_qs, u"x"_qs), 4));
}

TEST_F(SignIn, PasswordStates) {
    const std::int64_t soon = number(call(u"petrov"_qs, u"Petrov15"_qs), 3);
    EXPECT_GE(soon, 0);
    EXPECT_LT(soon, 20);
    EXPECT_LT(number(call(u"sidorova"_qs, u"Sidorova1"_qs), 3), 0);
    const ResultSet demanded = call(u"smirnov"_qs, u"Smirnov7"_qs);
    EXPECT_LT(number(demanded, 3), 0);
    EXPECT_TRUE(text(demanded, 4).isEmpty());
}

TEST_F(SignIn, AccountsThatMustChangeTheirPasswordGetNoDatabaseAccount) {
    for (const auto& [login, password] :
         {std::pair{u"sidorova"_qs, u"Sidorova1"_qs}, std::pair{u"smirnov"_qs, u"Smirnov7"_qs}}) {
        const ResultSet r = call(login, password);
        EXPECT_LT(number(r, 3), 0) << login.toStdString();
        EXPECT_TRUE(text(r, 0).isEmpty()) << login.toStdString();
        EXPECT_TRUE(text(r, 1).isEmpty()) << login.toStdString();
    }
    // Asked to change soon but not yet obliged: the account comes.
    EXPECT_EQ(shiftUp(text(call(u"petrov"_qs, u"Petrov15"_qs), 0)),
              QString::fromLatin1(kStaffUser));
    // Once changed, the account comes.
    EXPECT_EQ(shiftUp(text(call(u"sidorova"_qs, u"Sidorova1"_qs, u"Другой-1"_qs), 1)),
              QString::fromLatin1(kStaffPassword));
}

TEST_F(SignIn, ALockedLoginAnswersAWrongPasswordAsAnyLoginDoes) {
    const QString wrongForLocked = text(call(u"kuznetsov"_qs, u"guess"_qs), 4);
    EXPECT_EQ(wrongForLocked, text(call(u"ivanova"_qs, u"guess"_qs), 4));
    EXPECT_EQ(wrongForLocked, text(call(u"nobody"_qs, u"guess"_qs), 4));
    EXPECT_TRUE(text(call(u"kuznetsov"_qs, u"Kuznetsov3"_qs), 4).contains(u"заблокирована"_qs));
}

TEST_F(SignIn, FiveWrongPasswordsCloseTheLoginForFifteenMinutes) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(text(call(u"Petrov"_qs, u"guess"_qs + QString::number(i)), 4),
                  u"Неверно указан логин или пароль."_qs);
    }
    // Now even the right password is refused, and the answer says why.
    const ResultSet refused = call(u"petrov"_qs, u"Petrov15"_qs);
    EXPECT_TRUE(text(refused, 4).contains(u"15 минут"_qs)) << text(refused, 4).toStdString();
    EXPECT_TRUE(text(refused, 0).isEmpty());
    EXPECT_TRUE(text(refused, 1).isEmpty());
    // Other logins are not affected.
    EXPECT_TRUE(text(call(u"ivanova"_qs, u"Demo2025"_qs), 4).isEmpty());
    // An unknown login is closed the same way, so the lock tells nothing about which exist.
    for (int i = 0; i < 5; ++i) {
        call(u"ghost"_qs, u"guess"_qs);
    }
    EXPECT_EQ(text(call(u"ghost"_qs, u"guess"_qs), 4), text(refused, 4));

    Database db(made().databaseFile, Database::Mode::ReadWrite);
    EXPECT_EQ(std::get<std::int64_t>(
                  db.query(u"SELECT count(*) FROM signin_log WHERE login = 'petrov' AND "_qs
                           "outcome = 'refused: too many wrong passwords'"_qs)
                      .at(0, 0)),
              1);
    // Fifteen minutes later (the log aged by 16) the right password signs in again.
    db.execute(u"UPDATE signin_log SET at = strftime('%Y-%m-%dT%H:%M:%SZ', at, '-16 minutes')"_qs);
    const ResultSet later = call(u"petrov"_qs, u"Petrov15"_qs);
    EXPECT_TRUE(text(later, 4).isEmpty()) << text(later, 4).toStdString();
    EXPECT_EQ(shiftUp(text(later, 0)), QString::fromLatin1(kStaffUser));
}

TEST_F(SignIn, WrongPasswordsSpreadOverMoreThanFifteenMinutesDoNotClose) {
    Database db(made().databaseFile, Database::Mode::ReadWrite);
    for (int i = 0; i < 4; ++i) {
        call(u"petrov"_qs, u"guess"_qs);
    }
    db.execute(u"UPDATE signin_log SET at = strftime('%Y-%m-%dT%H:%M:%SZ', at, '-20 minutes')"_qs);
    call(u"petrov"_qs, u"guess"_qs);
    EXPECT_TRUE(text(call(u"petrov"_qs, u"Petrov15"_qs), 4).isEmpty());
    // A successful sign-in starts the count anew.
    for (int i = 0; i < 4; ++i) {
        call(u"petrov"_qs, u"guess"_qs);
    }
    EXPECT_TRUE(text(call(u"petrov"_qs, u"Petrov15"_qs), 4).isEmpty());
}

TEST_F(SignIn, PasswordChangeRoundTrip) {
    const ResultSet changed = call(u"smirnov"_qs, u"Smirnov7"_qs, u"Новый-пароль1"_qs);
    EXPECT_TRUE(text(changed, 4).isEmpty());
    EXPECT_EQ(number(changed, 3), 90);
    EXPECT_FALSE(text(call(u"smirnov"_qs, u"Smirnov7"_qs), 4).isEmpty());  // the old one is gone
    const ResultSet again = call(u"smirnov"_qs, u"Новый-пароль1"_qs);
    EXPECT_TRUE(text(again, 4).isEmpty());
    EXPECT_EQ(number(again, 3), 90);
    // A wrong current password changes nothing.
    EXPECT_FALSE(text(call(u"smirnov"_qs, u"bad"_qs, u"Other1"_qs), 4).isEmpty());
    EXPECT_TRUE(text(call(u"smirnov"_qs, u"Новый-пароль1"_qs), 4).isEmpty());
}

TEST_F(SignIn, UpdateFlagOnceForAnOutdatedWorkstation) {
    EXPECT_EQ(number(call(u"ivanova"_qs, u"Demo2025"_qs, u"NULL"_qs, u"АУД-214"_qs), 5), 2);
    EXPECT_EQ(number(call(u"ivanova"_qs, u"Demo2025"_qs, u"NULL"_qs, u"АУД-214"_qs), 5), 0);
    EXPECT_EQ(number(call(u"ivanova"_qs, u"Demo2025"_qs, u"NULL"_qs, u"НОВЫЙ-ПК"_qs), 5), 0);
    // A wrong password is told nothing about releases.
    EXPECT_EQ(number(call(u"ivanova"_qs, u"x"_qs, u"NULL"_qs, u"ДРУГОЙ"_qs), 5), 0);
}

TEST_F(SignIn, EveryCallIsLoggedWithoutDigests) {
    call(u"petrov"_qs, u"wrong-one"_qs);
    // Only GET_USER reaches the log; read it with SQLite itself.
    Database db(made().databaseFile, Database::Mode::ReadWrite);
    const ResultSet log = db.query(
        u"SELECT login, program, ip, computer, outcome FROM signin_log ORDER BY id_signin DESC LIMIT 1"_qs);
    ASSERT_EQ(log.rowCount(), 1);
    EXPECT_EQ(valueText(log.at(0, 0)), u"petrov"_qs);
    EXPECT_EQ(valueText(log.at(0, 1)), u"ZEV 32"_qs);
    EXPECT_EQ(valueText(log.at(0, 2)), u"192.168.0.7"_qs);
    EXPECT_EQ(valueText(log.at(0, 3)), u"КАБ-101"_qs);
    EXPECT_EQ(valueText(log.at(0, 4)), u"wrong password"_qs);
    const ResultSet all = db.query(u"SELECT * FROM signin_log"_qs);
    const QString digest = passwordDigest(u"wrong-one"_qs);
    for (const Value& v : all.cells) {
        EXPECT_FALSE(valueText(v).contains(digest, Qt::CaseInsensitive));
    }
}

TEST_F(SignIn, TheSignInAccountMayRunNothingElse) {
    EXPECT_EQ(
        errorOf([&] { s->query(u"SELECT id_a_year, p32 FROM a_year"_qs, {}); }),
        u"The SELECT permission was denied on the object 'a_year', database 'ZEV', schema 'dbo'."_qs);
    EXPECT_EQ(
        errorOf([&] { s->execute(u"DELETE FROM Debts WHERE id_debts = ?"_qs, {std::int64_t{1}}); }),
        u"The DELETE permission was denied on the object 'Debts', database 'ZEV', schema 'dbo'."_qs);
    EXPECT_EQ(
        errorOf([&] { s->query(u"EXEC GetDebts 1, 2, 3"_qs, {}); }),
        u"The EXECUTE permission was denied on the object 'GetDebts', database 'ZEV', schema 'dbo'."_qs);
    EXPECT_NE(errorOf([&] { s->execute(u"SET DATEFORMAT dmy"_qs, {}); }), u"<no error>"_qs);
}

TEST_F(SignIn, ArgumentCountsAndNamesAreChecked) {
    EXPECT_EQ(
        errorOf([&] { s->query(u"EXEC GET_USER 'a', 'b'"_qs, {}); }),
        u"Procedure or function 'GET_USER' expects parameter '@new_password', which was not supplied."_qs);
    EXPECT_EQ(errorOf([&] {
                  s->query(u"EXEC GET_USER 'a','b',NULL,'c','d','e','f','0','4','x'"_qs, {});
              }),
              u"Procedure or function GET_USER has too many arguments specified."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"EXEC GET_USER @who = 'a'"_qs, {}); }),
              u"@who is not a parameter for procedure GET_USER."_qs);
    EXPECT_EQ(errorOf([&] { s->query(u"EXEC NO_SUCH_PROC 1"_qs, {}); }),
              u"Could not find stored procedure 'NO_SUCH_PROC'."_qs);
}

}  // namespace
}  // namespace zev::testing
