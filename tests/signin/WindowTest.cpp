// The authentication window's controls, keys, mouse, toggle, exit paths and update failures, and
// the start-up through the registration window.

#include "SignInFixture.h"
#include "TypeText.h"

#include "HttpTestServer.h"
#include "core/ProgramVersion.h"
#include "registration/RegistrationWindow.h"
#include "signin/SelfUpdate.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace zev::testing {
namespace {

using Window = SignInFixture;

TEST_F(Window, ControlsSitWhereThePicturesSayTheyAre) {
    EXPECT_EQ(form->size(), QSize(497, 273));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Аутентификация"));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("V.1"));
    EXPECT_EQ(form->Label1->pos(), QPoint(6, 5));
    EXPECT_EQ(form->Image1->geometry(), QRect(0, 0, 497, 278));
    EXPECT_EQ(form->Image2->geometry(), QRect(0, 277, 497, 139));
    EXPECT_FALSE(form->Image1->pixmap().isNull()) << "the JPEG was not decoded";
    EXPECT_EQ(form->Image1->pixmap().size(), QSize(497, 278));
    EXPECT_EQ(form->Image2->pixmap().size(), QSize(497, 139));
    EXPECT_EQ(form->RzLabel1->geometry(), QRect(60, 107, 329, 78));
    EXPECT_TRUE(form->RzLabel1->wordWrap());
    EXPECT_EQ(form->Login_Edit->geometry(), QRect(146, 202, 187, 21));
    EXPECT_EQ(form->Password_Edit->geometry(), QRect(146, 238, 187, 21));
    EXPECT_EQ(form->Edit1->geometry(), QRect(148, 309, 186, 21));
    EXPECT_EQ(form->Edit2->geometry(), QRect(148, 345, 186, 21));
    EXPECT_EQ(form->SpeedButton2->geometry(), QRect(349, 200, 55, 20));
    EXPECT_EQ(form->SpeedButton1->geometry(), QRect(418, 199, 67, 22));
    EXPECT_EQ(form->SpeedButton3->geometry(), QRect(346, 236, 139, 22));
    EXPECT_EQ(form->Password_Edit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->Edit1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->Login_Edit->echoMode(), QLineEdit::Normal);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 2000);
    EXPECT_EQ(form->PressCount(), 0);
    EXPECT_FALSE(form->ChangeMode());
}

TEST_F(Window, ThePasswordFieldsOfferTheirTextForOvertypingOnEntry) {
    form->SpeedButton3Click();
    form->show();
    QApplication::setActiveWindow(form.get());
    for (QLineEdit* edit : {form->Login_Edit, form->Password_Edit, form->Edit1, form->Edit2}) {
        edit->setText(QStringLiteral("abcdef"));
    }
    const auto enter = [](QLineEdit* edit) {
        edit->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        return edit->selectedText();
    };
    EXPECT_EQ(enter(form->Password_Edit), QStringLiteral("abcdef"));
    EXPECT_EQ(enter(form->Login_Edit), QString());
    EXPECT_EQ(enter(form->Edit2), QStringLiteral("abcdef"));
    EXPECT_EQ(enter(form->Edit1), QString());
}

TEST_F(Window, BothHalvesLookRight) {
    form->show();
    const QImage signInHalf = form->grab().toImage();
    ASSERT_EQ(signInHalf.size(), QSize(497, 273));
    signInHalf.save(QStringLiteral("signin-window.png"));

    form->Login_Edit->setText(QStringLiteral("ivanova"));
    form->Password_Edit->setText(QStringLiteral("secret"));
    form->Edit1->setText(QStringLiteral("new_pass"));
    form->RzLabel1->setCaption(
        QStringLiteral("Вы должны поменять пароль\rЭто делается для "
                       "безопастности и сохранения данных от "
                       "злоумышлеников"));
    form->SpeedButton3Click();
    const QImage both = form->grab().toImage();
    ASSERT_EQ(both.size(), QSize(497, 416));
    both.save(QStringLiteral("signin-window-change.png"));
    // The fields are white over the painted frames; the message is written in black.
    EXPECT_EQ(both.pixelColor(300, 212), QColor(Qt::white));
    EXPECT_EQ(both.pixelColor(300, 355), QColor(Qt::white));
    bool dark = false;
    for (int x = 60; x < 389 && !dark; ++x) {
        for (int y = 107; y < 185 && !dark; ++y) {
            dark = both.pixelColor(x, y).lightness() < 60;
        }
    }
    EXPECT_TRUE(dark) << "the message is not drawn";
}

TEST_F(Window, TheToggleSwitchesTheHeightAndKeepsTheTexts) {
    form->Login_Edit->setText(QStringLiteral("a"));
    form->Password_Edit->setText(QStringLiteral("b"));
    form->Edit1->setText(QStringLiteral("c"));
    form->Edit2->setText(QStringLiteral("d"));
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_TRUE(form->ChangeMode());
    EXPECT_EQ(form->height(), 416);
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_FALSE(form->ChangeMode());
    EXPECT_EQ(form->height(), 275);
    EXPECT_EQ(form->Login_Edit->text(), QStringLiteral("a"));
    EXPECT_EQ(form->Password_Edit->text(), QStringLiteral("b"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("c"));
    EXPECT_EQ(form->Edit2->text(), QStringLiteral("d"));
}

TEST_F(Window, ADisabledToggleLooksDisabled) {
    // The toggle is a hot spot over the picture's button: once the server demands a change it
    // cannot be pressed, and the user must see that.
    form->show();
    const QRect spot = form->SpeedButton3->geometry();
    const QImage enabled = form->grab(spot).toImage();
    form->SpeedButton3->setEnabled(false);
    const QImage disabled = form->grab(spot).toImage();
    ASSERT_EQ(enabled.size(), disabled.size());
    qint64 lighter = 0;
    for (int y = 0; y < enabled.height(); ++y) {
        for (int x = 0; x < enabled.width(); ++x) {
            lighter += qGray(disabled.pixel(x, y)) - qGray(enabled.pixel(x, y));
        }
    }
    EXPECT_GT(lighter / (qint64{enabled.width()} * enabled.height()), 20)
        << "the disabled toggle is drawn as the enabled one";
}

TEST_F(Window, NewPasswordFieldsTakeOnlyLatinLettersDigitsAndUnderscore) {
    typeText(form->Edit1, QStringLiteral("ab c-Я_1!"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("abc_1"));
    QApplication::clipboard()->setText(QStringLiteral("x y;Ж\rZ9_"));
    form->Edit2->paste();
    EXPECT_EQ(form->Edit2->text(), QStringLiteral("xyZ9_"));
    QTest::keyClick(form->Edit1, Qt::Key_Backspace);
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("abc_"));
    // The upper fields take anything.
    typeText(form->Login_Edit, QStringLiteral("Иванова А."));
    EXPECT_EQ(form->Login_Edit->text(), QStringLiteral("Иванова А."));
    typeText(form->Password_Edit, QStringLiteral(" пароль! "));
    EXPECT_EQ(form->Password_Edit->text(), QStringLiteral(" пароль! "));
}

TEST_F(Window, NewPasswordChecksSendNothing) {
    form->Login_Edit->setText(QStringLiteral("ivanova"));
    form->SpeedButton3Click();
    const auto expectRefused = [&](const QString& first, const QString& second,
                                   const QString& message) {
        form->Edit1->setText(first);
        form->Edit2->setText(second);
        QTest::keyClick(form->Edit1, Qt::Key_Return);
        EXPECT_EQ(form->RzLabel1->caption(), message) << first.toStdString();
        EXPECT_TRUE(form->Edit1->text().isEmpty());
        EXPECT_TRUE(form->Edit2->text().isEmpty());
        EXPECT_FALSE(dm->ADOCon.isOpen()) << "the server was asked";
    };
    const QString mismatch =
        QStringLiteral("Новый пароль подтвержден не верно!!!\rПодтвердите пароль заново.");
    const QString tooShort = QStringLiteral(
        "Пароль должен состоять не менее чем из 6 символов!!!\rВведите новый пароль заново.");
    expectRefused(QStringLiteral("abcde"), QStringLiteral("abcde"), tooShort);
    expectRefused(QStringLiteral("Abcdef"), QStringLiteral("abcdef"), mismatch);
    expectRefused(QString(), QString(), tooShort);
    EXPECT_EQ(form->Login_Edit->text(), QStringLiteral("ivanova"));
    EXPECT_EQ(form->PressCount(), 3);
    EXPECT_TRUE(notices.messages.empty());
}

TEST_F(Window, PressCountWrapsAfter255) {
    QFile::remove(demo.settingsFile);  // every attempt fails at once
    for (int i = 0; i < 255; ++i) {
        QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    }
    EXPECT_EQ(form->PressCount(), 255);
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(form->PressCount(), 0);
    EXPECT_EQ(notices.errors.size(), 256u);
}

TEST_F(Window, TheLeftButtonOnPicturesOrTheMessageDragsTheWindow) {
    QTest::mousePress(form->Image1, Qt::RightButton, {}, QPoint(20, 120));
    QTest::mouseRelease(form->Image1, Qt::RightButton, {}, QPoint(20, 120));
    EXPECT_EQ(form->movesStarted, 0);
    QTest::mousePress(form->Login_Edit, Qt::LeftButton);
    QTest::mouseRelease(form->Login_Edit, Qt::LeftButton);
    QTest::mousePress(form->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(form->movesStarted, 0);
    QTest::mousePress(form->Image1, Qt::LeftButton, {}, QPoint(20, 120));
    EXPECT_EQ(form->movesStarted, 1);
    QTest::mousePress(form->RzLabel1, Qt::LeftButton);
    EXPECT_EQ(form->movesStarted, 2);
    QTest::mousePress(form->Image2, Qt::LeftButton);
    EXPECT_EQ(form->movesStarted, 3);
}

TEST_F(Window, TheExitButtonEndsWithCancel) {
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_TRUE(ApplicationState::terminated());
}

TEST_F(Window, TheLeftoverUpdateScriptIsDeletedAtCreation) {
    const UpdatePaths paths{program.path()};
    QFile script(paths.scriptFile());
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("old script");
    script.close();
    SignedInUser other;
    TForm8 next(other);
    EXPECT_FALSE(QFile::exists(paths.scriptFile()));
}

class UpdateFailure : public SignInFixture {
protected:
    void expectFailedUpdate(const QUrl& url) {
        const QUrl published = updateSourceUrl();
        setUpdateSourceUrl(url);
        form->StartSelfUpdate();
        setUpdateSourceUrl(published);
        const UpdatePaths paths{program.path()};
        ASSERT_EQ(notices.messages.size(), 1u);
        EXPECT_EQ(notices.messages[0].text,
                  QStringLiteral("Сервер обновлений не доступен.\rОбратитесь к администратору."));
        EXPECT_EQ(notices.messages[0].caption, QStringLiteral("Уведомление"));
        EXPECT_TRUE(ApplicationState::terminated());
        EXPECT_EQ(form->result(), QDialog::Rejected);
        EXPECT_FALSE(QFile::exists(paths.downloadedFile()));
        EXPECT_FALSE(QFile::exists(paths.scriptFile()));
        EXPECT_TRUE(startedScripts.empty());
        EXPECT_FALSE(form->Timer1->isActive());
    }
};

TEST_F(UpdateFailure, AnErrorPageIsNotInstalled) {
    HttpTestServer server(404, "Not Found", "<html><body>Not Found</body></html>");
    expectFailedUpdate(server.url());
}

TEST_F(UpdateFailure, ZeroBytesAreNotInstalled) {
    HttpTestServer server(200, "OK", QByteArray());
    expectFailedUpdate(server.url());
}

TEST_F(UpdateFailure, ARefusedConnectionIsReported) {
    expectFailedUpdate(QUrl(QStringLiteral("http://127.0.0.1:%1/zevprogs/ZEV 32.exe")
                                .arg(HttpTestServer::closedPort())));
}

TEST_F(UpdateFailure, ALeftoverTempFolderIsReused) {
    const UpdatePaths paths{program.path()};
    ASSERT_TRUE(QDir().mkpath(paths.tempFolder()));
    QFile old(paths.downloadedFile());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1 << 20, 'o'));
    old.close();
    const QByteArray successor = PublishedSuccessor::program();
    PublishedSuccessor published(successor);
    const QUrl source = updateSourceUrl();
    setUpdateSourceUrl(published.url());
    form->StartSelfUpdate();
    setUpdateSourceUrl(source);
    QFile fetched(paths.downloadedFile());
    ASSERT_TRUE(fetched.open(QIODevice::ReadOnly));
    EXPECT_EQ(fetched.readAll(), successor);
    EXPECT_TRUE(form->Timer1->isActive());
}

TEST_F(UpdateFailure, AFailedCheckIsNamedAndNothingIsInstalled) {
    // The Windows program offered to a Linux workstation, and a file that does not match its
    // published checksum.
    QByteArray windowsProgram("MZ", 2);
    windowsProgram.append(QByteArray(300, '\0'));
    const QByteArray mismatch = PublishedSuccessor::program() + "tampered";
    struct Case {
        QByteArray file;
        QByteArray checksum;
        const char* named;
    };
    const Case cases[] = {
#ifndef Q_OS_WIN
        {windowsProgram, sha256Line(windowsProgram, updateFileName()), "программой"},
#endif
        {mismatch, sha256Line(PublishedSuccessor::program(), updateFileName()), "SHA-256"},
    };
    const UpdatePaths paths{program.path()};
    for (const Case& c : cases) {
        notices.messages.clear();
        ApplicationState::reset();
        PublishedSuccessor published(c.file, c.checksum);
        const QUrl source = updateSourceUrl();
        setUpdateSourceUrl(published.url());
        form->StartSelfUpdate();
        setUpdateSourceUrl(source);
        ASSERT_EQ(notices.messages.size(), 1u);
        EXPECT_TRUE(
            notices.messages[0].text.startsWith(QStringLiteral("Обновление не установлено")))
            << notices.messages[0].text.toStdString();
        EXPECT_TRUE(notices.messages[0].text.contains(QString::fromUtf8(c.named)))
            << notices.messages[0].text.toStdString();
        EXPECT_TRUE(ApplicationState::terminated());
        EXPECT_FALSE(QFileInfo::exists(paths.tempFolder()));
        EXPECT_FALSE(QFile::exists(paths.scriptFile()));
        EXPECT_TRUE(startedScripts.empty());
        EXPECT_FALSE(form->Timer1->isActive());
    }
}

#ifndef Q_OS_WIN
TEST_F(UpdateFailure, AProgramFolderUsersCannotWriteIsLeftToTheAdministrator) {
    // A packaged install: the settings come from elsewhere, the program folder is read-only.
    setSettingsFileOverride(demo.settingsFile);
    setProgramFolder(QStringLiteral("/proc/self"));
    PublishedSuccessor published(PublishedSuccessor::program());
    const QUrl source = updateSourceUrl();
    setUpdateSourceUrl(published.url());
    form->StartSelfUpdate();
    setUpdateSourceUrl(source);
    setSettingsFileOverride(QString());
    ASSERT_EQ(notices.messages.size(), 1u);
    EXPECT_TRUE(notices.messages[0].text.contains(QStringLiteral("администратор")))
        << notices.messages[0].text.toStdString();
    EXPECT_TRUE(published.server.requestedPaths().isEmpty()) << "downloaded all the same";
    EXPECT_TRUE(ApplicationState::terminated());
    EXPECT_TRUE(startedScripts.empty());
    EXPECT_FALSE(form->Timer1->isActive());
}
#endif

// Start-up: the registration window's creation runs the modal sign-in.
using StartUp = SignInFixture;

TEST_F(StartUp, ASuccessfulSignInFillsTheRegistrationWindow) {
    form.reset();
    QTimer::singleShot(0, [this] {
        ASSERT_NE(Form8, nullptr);
        Form8->Login_Edit->setText(QStringLiteral("ivanova"));
        Form8->Password_Edit->setText(demo.logins.front().password);
        QTest::mouseClick(Form8->SpeedButton2, Qt::LeftButton);
    });
    TForm1 registration;
    EXPECT_EQ(Form8, nullptr);
    EXPECT_FALSE(ApplicationState::terminated());
    EXPECT_TRUE(ApplicationState::showMainForm());
    EXPECT_EQ(registration.UserLogin, QStringLiteral("ivanova"));
    EXPECT_EQ(registration.UserId, 1);
    EXPECT_FALSE(registration.isVisible());
}

TEST_F(StartUp, ClosingTheSignInWindowEndsTheProgram) {
    form.reset();
    QTimer::singleShot(0, [] { Form8->close(); });
    TForm1 registration;
    EXPECT_EQ(Form8, nullptr);
    EXPECT_TRUE(ApplicationState::terminated());
    EXPECT_FALSE(ApplicationState::showMainForm());
}

// The program run as a user would from a terminal without a display.
QProcess* runWithoutDisplay(QProcess& program, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZEV_PROGRAM_FILE), arguments);
    return program.waitForFinished(10000) ? &program : nullptr;
}

TEST(Program, HelpAndVersionNeedNoDisplay) {
    QProcess help;
    ASSERT_NE(runWithoutDisplay(help, {QStringLiteral("--help")}), nullptr);
    EXPECT_EQ(help.exitCode(), 0);
    const QString helpText = QString::fromLocal8Bit(help.readAllStandardOutput());
    EXPECT_TRUE(helpText.contains(QStringLiteral("--settings"))) << helpText.toStdString();
    EXPECT_TRUE(helpText.contains(QStringLiteral("--version")));

    QProcess version;
    ASSERT_NE(runWithoutDisplay(version, {QStringLiteral("--version")}), nullptr);
    EXPECT_EQ(version.exitCode(), 0);
    // The one version of the build, the one the window's label shows.
    EXPECT_EQ(version.readAllStandardOutput().trimmed(),
              QByteArray("ZEV 32 ") + QByteArray(kProgramVersionText));

    QProcess wrong;
    ASSERT_NE(runWithoutDisplay(wrong, {QStringLiteral("--no-such-option")}), nullptr);
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_FALSE(wrong.readAllStandardError().isEmpty());
}

TEST(Program, WithoutADisplayItSaysSoAndFails) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ZEV_PROGRAM_FILE), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(program.exitCode(), 0);
    EXPECT_TRUE(program.readAllStandardError().contains("no display"));
}

}  // namespace
}  // namespace zev::testing
