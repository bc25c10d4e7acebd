#pragma once

// A program folder with a freshly generated demo database under Data/, the data module, and
// notices and workstation facts that the tests record and choose.

#include "data/DM.h"
#include "server/gen/Generator.h"
#include "signin/ApplicationState.h"
#include "signin/ProgramFolder.h"
#include "signin/Unit10.h"
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

class SignInFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid());
        SetProgramFolder(programDir.path());
        demo = server::generateDatabase(dataFolder(), server::DatabaseSize::Demo);
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
        Notices::install(nullptr);
        Workstation::install(nullptr);
        SetProgramFolder(QString());
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
