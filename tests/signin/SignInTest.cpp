// The sign-in against the embedded server's GET_USER, driving the real authentication window.

#include "SignInFixture.h"

#include "HttpTestServer.h"
#include "core/SettingsFile.h"
#include "data/Connection.h"
#include "signin/LogFile.h"
#include "signin/PasswordDigest.h"
#include "signin/SelfUpdate.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

namespace zev::testing {
namespace {

const QString kChangeDemanded = QStringLiteral(
    "Вы должны поменять пароль\rЭто делается для безопастности и сохранения "
    "данных от злоумышлеников");

class SignIn : public SignInFixture {
protected:
    QString passwordOf(const QString& login) const {
        for (const server::DemoLogin& l : demo.logins) {
            if (l.login == login) {
                return l.password;
            }
        }
        ADD_FAILURE() << "no demo login " << login.toStdString();
        return {};
    }

    // The server's own sign-in log, read straight from the database file.
    struct LogRow {
        QString login, program, ip, computer, outcome;
    };
    std::vector<LogRow> signInLog() const {
        std::vector<LogRow> rows;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(demo.databaseFile.toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << demo.databaseFile.toStdString();
            sqlite3_close(db);
            return rows;
        }
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT login, program, ip, computer, outcome FROM signin_log "
                           "ORDER BY id_signin",
                           -1, &statement, nullptr);
        auto column = [&](int i) {
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
        };
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            rows.push_back({column(0), column(1), column(2), column(3), column(4)});
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

    Connection& connection() { return dm->ADOCon; }

    // Changes the demo database behind the server's back, as an administrator would.
    void runOnDatabase(const char* sql) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(demo.databaseFile.toUtf8().constData(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
};

TEST_F(SignIn, SuccessOpensTheUsersConnectionAndTheStartLists) {
    form->Login_Edit->setText(QStringLiteral("ivanova"));
    form->Password_Edit->setText(passwordOf(QStringLiteral("ivanova")));
    // Enter in the login field signs in at once.
    QTest::keyClick(form->Login_Edit, Qt::Key_Return);

    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_TRUE(notices.errors.empty()) << notices.errors.front().toStdString();
    EXPECT_EQ(user.UserId, 1);
    EXPECT_EQ(user.UserLogin, QStringLiteral("ivanova"));
    EXPECT_TRUE(ApplicationState::showMainForm());
    ASSERT_TRUE(connection().isOpen());
    EXPECT_TRUE(connection().connectionString().contains(
        QStringLiteral("User ID=") + QString::fromLatin1(server::kStaffUser) + u';'));
    EXPECT_TRUE(dm->ADOQ_Faculty->isOpen());
    EXPECT_GT(dm->ADOQ_Faculty->recordCount(), 1) << "ivanova is assigned several faculties";
    EXPECT_TRUE(dm->ADOQ_Year->isOpen());
    EXPECT_GT(dm->ADOQ_Year->recordCount(), 0);
    EXPECT_TRUE(dm->ADOQ_Semester->isOpen());
    EXPECT_GT(dm->ADOQ_Semester->recordCount(), 0);

    if (odbcRun->server()) {
        // Over the SQL Server path: one request per statement, nothing else at either login.
        std::vector<tds::SessionRecord> sessions = odbcRun->server()->sessions();
        ASSERT_EQ(sessions.size(), 2u);
        EXPECT_EQ(sessions[0].user, QString::fromLatin1(server::kSignInUser));
        ASSERT_EQ(sessions[0].statements.size(), 1u);
        EXPECT_TRUE(sessions[0].statements[0].startsWith(QStringLiteral("EXEC GET_USER")));
        EXPECT_EQ(sessions[0].requests, 1);
        EXPECT_EQ(sessions[1].user, QString::fromLatin1(server::kStaffUser));
        EXPECT_EQ(sessions[1].application, QStringLiteral("ZEV 32"));
        EXPECT_EQ(sessions[1].requests, 5)
            << "the staff login declared, the three start lists and SET DATEFORMAT";
        ASSERT_EQ(sessions[1].statements.size(), 5u);
        EXPECT_TRUE(sessions[1].statements[0].startsWith(
            QStringLiteral("EXEC sp_set_session_context @key = N'zev_login'")));
        EXPECT_EQ(sessions[1].statements[4], QStringLiteral("SET DATEFORMAT dmy"));
    }

    const auto log = signInLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].login, QStringLiteral("ivanova"));
    EXPECT_EQ(log[0].program, QStringLiteral("ZEV 32"));
    EXPECT_EQ(log[0].ip, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(log[0].computer, QStringLiteral("WS-TEST"));
}

TEST_F(SignIn, TheServersMessageIsShownAndTheWindowStays) {
    signIn(QStringLiteral("ivanova"), QStringLiteral("wrong password"));
    EXPECT_EQ(form->RzLabel1->caption(), QStringLiteral("Неверно указан логин или пароль."));
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_FALSE(ApplicationState::showMainForm());
    EXPECT_FALSE(dm->ADOQ_Faculty->isOpen());
    // The message outcome leaves the sign-in account's connection open.
    EXPECT_TRUE(connection().isOpen());

    signIn(QStringLiteral("kuznetsov"), passwordOf(QStringLiteral("kuznetsov")));
    EXPECT_TRUE(form->RzLabel1->caption().contains(QStringLiteral("заблокирована")));
    EXPECT_EQ(form->PressCount(), 2);
}

TEST_F(SignIn, AMissingOrShortSettingsFileIsNamedAndTheWindowStays) {
    const QString settings = dataFolder() + QStringLiteral("/ZEV");
    ASSERT_TRUE(QFile::remove(settings));
    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));
    ASSERT_EQ(notices.errors.size(), 1u);
    EXPECT_TRUE(notices.errors[0].contains(QStringLiteral("Data/ZEV")))
        << notices.errors[0].toStdString();

    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(40, 'x'));
    file.close();
    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));
    ASSERT_EQ(notices.errors.size(), 2u);
    EXPECT_TRUE(notices.errors[1].contains(QStringLiteral("Data/ZEV")));
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_TRUE(form->SpeedButton2->isEnabled());
}

TEST_F(SignIn, AFailedFirstConnectionNeverShowsTheAccountName) {
    // The sign-in account with a wrong password, written the way the settings file stores it.
    QFile file(dataFolder() + QStringLiteral("/ZEV"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes.replace(20, 20, QByteArray(20, 'a'));
    bytes[41] = 5;
    ASSERT_TRUE(file.seek(0));
    file.write(bytes);
    file.close();

    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));
    const QString shown = form->RzLabel1->caption();
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_FALSE(shown.contains(QString::fromLatin1(server::kSignInUser))) << shown.toStdString();
    EXPECT_FALSE(connection().isOpen());
    EXPECT_TRUE(signInLog().empty());
}

TEST_F(SignIn, AForcedChangeLocksTheChangeHalfOpenUntilTheNewPasswordWorks) {
    const QString oldPassword = passwordOf(QStringLiteral("smirnov"));
    signIn(QStringLiteral("smirnov"), oldPassword);
    EXPECT_EQ(form->RzLabel1->caption(), kChangeDemanded);
    EXPECT_TRUE(form->ChangeMode());
    EXPECT_EQ(form->height(), 416);
    EXPECT_FALSE(form->SpeedButton3->isEnabled());
    EXPECT_FALSE(connection().isOpen());
    // The disabled toggle does nothing.
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_TRUE(form->ChangeMode());
    EXPECT_EQ(form->height(), 416);

    // The change signs in with the account of the same answer.
    form->Edit1->setText(QStringLiteral("Smirnov_2026"));
    form->Edit2->setText(QStringLiteral("Smirnov_2026"));
    QTest::keyClick(form->Edit2, Qt::Key_Return);
    EXPECT_EQ(form->result(), QDialog::Accepted) << form->RzLabel1->caption().toStdString();
    EXPECT_EQ(user.UserLogin, QStringLiteral("smirnov"));
    EXPECT_TRUE(dm->ADOQ_Faculty->isOpen());

    // The round trip: the next window signs in with the new password, not with the old one.
    SignedInUser nextUser;
    TestForm8 next(nextUser);
    next.Login_Edit->setText(QStringLiteral("smirnov"));
    next.Password_Edit->setText(oldPassword);
    guarded([&] { next.SpeedButton2Click(); });
    EXPECT_EQ(next.RzLabel1->caption(), QStringLiteral("Неверно указан логин или пароль."));
    next.Password_Edit->setText(QStringLiteral("Smirnov_2026"));
    guarded([&] { next.SpeedButton2Click(); });
    EXPECT_EQ(next.result(), QDialog::Accepted) << next.RzLabel1->caption().toStdString();
    EXPECT_EQ(nextUser.UserId, user.UserId);
}

TEST_F(SignIn, AnExpiredPasswordMustBeChangedAtEveryPress) {
    signIn(QStringLiteral("sidorova"), passwordOf(QStringLiteral("sidorova")));
    EXPECT_EQ(form->RzLabel1->caption(), kChangeDemanded);
    EXPECT_FALSE(form->SpeedButton3->isEnabled());
    form->Edit1->setText(QStringLiteral("abcdef"));
    form->Edit2->setText(QStringLiteral("abcdef"));
    form->Password_Edit->setText(QStringLiteral("not her password"));
    guarded([this] { form->SpeedButton2Click(); });
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_EQ(form->RzLabel1->caption(), QStringLiteral("Неверно указан логин или пароль."));
}

TEST_F(SignIn, ASoonExpiringPasswordIsAskedAtTheFirstPressOnly) {
    signIn(QStringLiteral("petrov"), passwordOf(QStringLiteral("petrov")));
    EXPECT_EQ(form->RzLabel1->caption(), kChangeDemanded);
    EXPECT_TRUE(form->ChangeMode());
    EXPECT_TRUE(form->SpeedButton3->isEnabled());
    EXPECT_FALSE(connection().isOpen());

    // Closing the half and pressing again signs in unchanged.
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_FALSE(form->ChangeMode());
    EXPECT_EQ(form->height(), 275);
    QTest::keyClick(form->Password_Edit, Qt::Key_Enter);
    EXPECT_EQ(form->result(), QDialog::Accepted) << form->RzLabel1->caption().toStdString();
    EXPECT_EQ(user.UserLogin, QStringLiteral("petrov"));
}

TEST_F(SignIn, FailingStartListsShowTheErrorAndCloseTheConnection) {
    // The faculty list reads the user's faculties from a table that is gone.
    runOnDatabase("ALTER TABLE user_faculty RENAME TO gone");

    form->RzLabel1->setCaption(QStringLiteral("an earlier message"));
    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_TRUE(form->RzLabel1->caption().contains(QStringLiteral("user_faculty")))
        << form->RzLabel1->caption().toStdString();
    EXPECT_FALSE(connection().isOpen());
    EXPECT_FALSE(dm->ADOQ_Faculty->isOpen());
    EXPECT_TRUE(notices.messages.empty());
    EXPECT_TRUE(notices.errors.empty());
}

TEST_F(SignIn, AFailedSecondConnectionShowsItsError) {
    // GET_USER hands over an account whose password changes right after it was read, as when
    // an administrator changes it at that moment.
    runOnDatabase(
        "CREATE TRIGGER change_password AFTER INSERT ON signin_log BEGIN "
        "UPDATE db_account SET password = 'changed' WHERE name = 'zev_staff'; END");
    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));
    const QString shown = form->RzLabel1->caption();
    EXPECT_TRUE(shown.contains(QStringLiteral("Login failed"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QString::fromLatin1(server::kStaffUser))) << shown.toStdString();
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_FALSE(connection().isOpen());
    EXPECT_FALSE(ApplicationState::showMainForm() && dm->ADOQ_Faculty->isOpen());
}

TEST_F(SignIn, ACyrillicAccountWithSeparatorsInItsPasswordSignsIn) {
    // The server shifts the account down in Windows-1251 codes, the client shifts it back up;
    // the password's ';' and '}' survive the connection string. FreeTDS 1.3 reads a braced
    // value only up to its first '}', so over ODBC the password has '{' instead.
    const QString password =
        OdbcRun::active() ? QStringLiteral("Пар;ль{=1") : QStringLiteral("Пар;ль}=1");
    runOnDatabase(QStringLiteral("INSERT INTO db_account (name, password, signin_only) "
                                 "VALUES ('Кафедра_кит', '%1', 0)")
                      .arg(password)
                      .toUtf8()
                      .constData());
    runOnDatabase("UPDATE zev_login SET db_user = 'Кафедра_кит' WHERE login = 'ivanova'");
    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));
    EXPECT_EQ(form->result(), QDialog::Accepted) << form->RzLabel1->caption().toStdString();
    ASSERT_TRUE(connection().isOpen());
    EXPECT_EQ(connection().settings().user, QStringLiteral("Кафедра_кит"));
    EXPECT_EQ(connection().settings().password, password);
    EXPECT_TRUE(dm->ADOQ_Faculty->isOpen());
}

TEST_F(SignIn, ALoginWithQuotesReachesTheServerByteForByte) {
    const QString login = QStringLiteral("o'brien', 'x'); DELETE FROM zev_login; --");
    workstation.computer = QStringLiteral("PC'7");
    signIn(login, QStringLiteral("secret"));
    EXPECT_TRUE(notices.messages.empty()) << notices.messages.front().text.toStdString();
    EXPECT_EQ(form->RzLabel1->caption(), QStringLiteral("Неверно указан логин или пароль."));
    const auto log = signInLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].login, login);
    EXPECT_EQ(log[0].computer, QStringLiteral("PC'7"));

    // Nothing was deleted: a real user still signs in.
    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(SignIn, APasswordOutsideWindows1251IsRefusedWithAMessage) {
    signIn(QStringLiteral("ivanova"), QStringLiteral("Demo2025ä"));
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_TRUE(notices.messages[0].text.contains(QStringLiteral("Windows-1251")));
    EXPECT_EQ(form->RzLabel1->caption(), QStringLiteral("Неверно ввели логин или пароль."));
    EXPECT_FALSE(connection().isOpen());
    EXPECT_TRUE(signInLog().empty());
}

TEST_F(SignIn, TheUpdateFlagDownloadsTheSuccessorAndArmsTheExitTimer) {
    const QByteArray successor = PublishedSuccessor::program();
    PublishedSuccessor published(successor);
    const QUrl publishedSource = updateSourceUrl();
    setUpdateSourceUrl(published.url());
    // This workstation was given an older release: the server asks for an update.
    workstation.computer = QStringLiteral("АУД-214");
    signIn(QStringLiteral("ivanova"), passwordOf(QStringLiteral("ivanova")));

    const UpdatePaths paths{program.path()};
    EXPECT_NE(form->result(), QDialog::Accepted);
    EXPECT_TRUE(form->Label1->text().startsWith(QStringLiteral("Идёт обновление программы")));
    QFile downloaded(paths.downloadedFile());
    ASSERT_TRUE(downloaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(downloaded.readAll(), successor);
    QFile script(paths.scriptFile());
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    EXPECT_EQ(script.readAll(), updateScript());
    EXPECT_EQ(startedScripts, std::vector<QString>{paths.scriptFile()});
    EXPECT_EQ(startedScriptContent, updateScript()) << "started before it was written completely";
    EXPECT_EQ(startedIn, program.path());
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 2000);
    EXPECT_FALSE(ApplicationState::terminated());
    // The sign-in account's connection stays open until the program ends.
    EXPECT_TRUE(connection().isOpen());
    setUpdateSourceUrl(publishedSource);

    // Two seconds later the exit timer ends the program, the window with Cancel.
    form->Timer1Timer();
    EXPECT_EQ(form->Timer1->interval(), 100);
    EXPECT_TRUE(ApplicationState::terminated());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

TEST_F(SignIn, TheLogTellsOutcomesButNeverAPasswordOrDigest) {
    QTemporaryDir logDir;
    ASSERT_TRUE(startLogFile(logDir.path(), QStringLiteral("debug")));
    const QString sidorova = passwordOf(QStringLiteral("sidorova"));
    signIn(QStringLiteral("ivanova"), QStringLiteral("wrong-Password1"));
    signIn(QStringLiteral("sidorova"), sidorova);  // expired: the change half opens
    form->Edit1->setText(QStringLiteral("Changed_2026"));
    form->Edit2->setText(QStringLiteral("Changed_2026"));
    guarded([this] { form->SpeedButton2Click(); });
    stopLogFile();
    EXPECT_EQ(form->result(), QDialog::Accepted);

    QFile file(logFilePath(logDir.path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(log.contains(QStringLiteral("zev.signin"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("signed in: \"sidorova\""))) << log.toStdString();
    for (const QString& secret :
         {QStringLiteral("wrong-Password1"), sidorova, QStringLiteral("Changed_2026"),
          DigestHex(QStringLiteral("wrong-Password1")), DigestHex(sidorova),
          DigestHex(QStringLiteral("Changed_2026")), QString::fromLatin1(server::kSignInPassword),
          QString::fromLatin1(server::kStaffPassword)}) {
        EXPECT_FALSE(log.contains(secret, Qt::CaseInsensitive)) << secret.toStdString();
    }
}

}  // namespace
}  // namespace zev::testing
