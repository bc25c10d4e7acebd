#pragma once

// A program folder with a freshly generated demo database under Data/, the data module, and
// notices and workstation facts that the tests record and choose.

#include "HttpTestServer.h"
#include "OdbcRun.h"
#include "data/DataModule.h"
#include "server/gen/Generator.h"
#include "signin/ApplicationState.h"
#include "signin/ProgramFolder.h"
#include "signin/SelfUpdate.h"
#include "signin/SettingsPlaces.h"
#include "signin/SignInWindow.h"
#include "signin/Workstation.h"
#include "widgets/Notices.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zev::testing {

struct RecordedNotice {
    QString text;
    QString caption;
};

class RecordingNotices final : public Notices {
public:
    void message(QWidget*, const QString& text, const QString& caption, NoticeIcon) override {
        messages.push_back({text, caption});
    }
    bool askYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void showError(const QString& text) override { errors.push_back(text); }

    std::vector<RecordedNotice> messages;
    std::vector<QString> errors;
};

class FakeWorkstation final : public Workstation {
public:
    QString computerName() const override { return computer; }
    QString localIPv4() const override { return ip; }
    QString computer = QStringLiteral("WS-TEST");
    QString ip = QStringLiteral("10.1.2.3");
};

// The authentication window with the window move recorded instead of handed to the platform.
class TestForm8 : public TForm8 {
public:
    using TForm8::TForm8;
    int movesStarted = 0;

protected:
    bool startWindowMove() override {
        ++movesStarted;
        return true;
    }
};

// An update server that publishes a successor and its checksum (by default the checksum of the
// file itself) under the program file's path.
struct PublishedSuccessor {
    // A real executable of this machine stands in for the new program.
    static QByteArray program() {
        QFile file(QStringLiteral("/bin/true"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    explicit PublishedSuccessor(const QByteArray& file, QByteArray checksum = {}) {
        if (checksum.isEmpty()) {
            checksum = Sha256Line(file, UpdateFileName());
        }
        server.answer("/zevprogs/ZEV%2032.exe", 200, file);
        server.answer("/zevprogs/ZEV%2032.exe.sha256", 200, checksum);
    }
    QUrl url() const { return server.url(); }

    HttpTestServer server{404, "Not Found", "<html>Not Found</html>"};
};

class SignInFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid());
        SetProgramFolder(programDir.path());
        // Only the program folder's settings: none of this computer's own configuration.
        qputenv("XDG_CONFIG_HOME", programDir.filePath(QStringLiteral("config")).toUtf8());
        SetSystemSettingsFolder(programDir.filePath(QStringLiteral("etc")));
        demo = server::generateDatabase(dataFolder(), server::DatabaseSize::Demo);
        odbcRun = std::make_unique<OdbcRun>(demo.databaseFile);
        odbcRun->pointSettingsFile(dataFolder() + QStringLiteral("/ZEV"));
        Notices::install(&notices);
        Workstation::install(&workstation);
        ApplicationState::reset();
        ApplicationState::setShowMainForm(false);
        dm = std::make_unique<TDM_MB>();
        form = std::make_unique<TestForm8>(user);
        form->startScript = [this](const QString& script, const QString& folder) {
            // What the script file holds at the moment it is started.
            QFile file(script);
            startedScriptContent = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            startedScripts.push_back(script);
            startedIn = folder;
            return true;
        };
    }

    void TearDown() override {
        form.reset();
        dm.reset();
        odbcRun.reset();
        Notices::install(nullptr);
        Workstation::install(nullptr);
        SetProgramFolder(QString());
        SetSystemSettingsFolder(QString());
        SetSettingsFileOverride(QString());
        ApplicationState::reset();
    }

    QString dataFolder() const { return programDir.filePath(QStringLiteral("Data")); }

    void signIn(const QString& login, const QString& password) {
        form->Login_Edit->setText(login);
        form->Password_Edit->setText(password);
        guarded([this] { form->SpeedButton2Click(); });
    }

    QTemporaryDir programDir;
    server::GeneratedDatabase demo;
    std::unique_ptr<OdbcRun> odbcRun;  // serves the database over TDS in the odbc run
    RecordingNotices notices;
    FakeWorkstation workstation;
    SignedInUser user;
    std::unique_ptr<TDM_MB> dm;
    std::unique_ptr<TestForm8> form;
    std::vector<QString> startedScripts;
    QString startedIn;
    QByteArray startedScriptContent;
};

}  // namespace zev::testing
