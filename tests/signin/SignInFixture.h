#pragma once

// A program folder with a freshly generated demo database under Data/, the data module, and
// notices and workstation facts that the tests record and choose.

#include "DemoProgramFolder.h"
#include "FakeWorkstation.h"
#include "HttpTestServer.h"
#include "OdbcRun.h"
#include "RecordingNotices.h"
#include "data/DataModule.h"
#include "signin/ApplicationState.h"
#include "signin/ProgramFolder.h"
#include "signin/SelfUpdate.h"
#include "signin/SettingsPlaces.h"
#include "signin/SignInWindow.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zev::testing {

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
            checksum = sha256Line(file, updateFileName());
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
        // Only the program folder's settings: none of this computer's own configuration.
        qputenv("XDG_CONFIG_HOME", program.filePath(QStringLiteral("config")).toUtf8());
        setSystemSettingsFolder(program.filePath(QStringLiteral("etc")));
        odbcRun = std::make_unique<OdbcRun>(demo.databaseFile);
        odbcRun->pointSettingsFile(demo.settingsFile);
        notices.answerYes = false;
        Notices::install(&notices);
        Workstation::install(&workstation);
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
        setSystemSettingsFolder(QString());
        setSettingsFileOverride(QString());
    }

    QString dataFolder() const { return program.dataFolder(); }

    void signIn(const QString& login, const QString& password) {
        form->Login_Edit->setText(login);
        form->Password_Edit->setText(password);
        guarded([this] { form->SpeedButton2Click(); });
    }

    DemoProgramFolder program;
    const server::GeneratedDatabase& demo = program.database();
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
