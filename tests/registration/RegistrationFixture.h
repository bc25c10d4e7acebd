#pragma once

// The registration window signed in through the authentication window over a freshly generated
// demo database, with the notices recorded and answered by the test, every statement sent to
// the server logged (and, on request, failed), and helpers that walk the selection cascade as a
// user would.

#include "OdbcRun.h"
#include "data/Connection.h"
#include "data/DataModule.h"
#include "data/Errors.h"
#include "registration/RegistrationWindow.h"
#include "server/gen/Generator.h"
#include "signin/ApplicationState.h"
#include "signin/ProgramFolder.h"
#include "signin/SignInWindow.h"
#include "signin/Workstation.h"
#include "widgets/Notices.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zev::testing {

struct RecordedNotice {
    QString text;
    QString caption;
    NoticeIcon icon;
};

class RecordingNotices final : public Notices {
public:
    void message(QWidget*, const QString& text, const QString& caption, NoticeIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    bool askYesNo(QWidget*, const QString& text, const QString&) override {
        questions.push_back(text);
        return answerYes;
    }
    void showError(const QString& text) override { errors.push_back(text); }

    std::vector<RecordedNotice> messages;
    std::vector<QString> questions;
    std::vector<QString> errors;
    bool answerYes = true;
};

class FixedWorkstation final : public Workstation {
public:
    QString computerName() const override { return QStringLiteral("WS-REG"); }
    QString localIPv4() const override { return QStringLiteral("10.0.0.7"); }
};

// Passes every statement to the real driver, keeping its text and counting those it passes on;
// a statement containing `failOn` is refused as the server would refuse it.
class LoggingDriver final : public ConnectionDriver {
public:
    LoggingDriver(std::unique_ptr<ConnectionDriver> inner, std::vector<QString>& log,
                  QString& failOn, int& passedOn)
        : inner_(std::move(inner)), log_(log), failOn_(failOn), passedOn_(passedOn) {}
    ResultSet query(const QString& sql, const std::vector<Value>& args) override {
        check(sql);
        return inner_->query(sql, args);
    }
    qint64 execute(const QString& sql, const std::vector<Value>& args) override {
        check(sql);
        return inner_->execute(sql, args);
    }

private:
    void check(const QString& sql) {
        log_.push_back(sql);
        if (!failOn_.isEmpty() && sql.contains(failOn_)) {
            throw DatabaseError(QStringLiteral("Refused by the test server"));
        }
        ++passedOn_;
    }
    std::unique_ptr<ConnectionDriver> inner_;
    std::vector<QString>& log_;
    QString& failOn_;
    int& passedOn_;
};

class RegistrationWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Chooses the entry of `box` whose list row has `value` in `field`, as a user picks it.
    void choose(DBLookupComboBox& box, const QString& field, const QString& value);
    // Faculty 1, form 1, speciality 1, 2024/2025, semester 3, group ИВТ-24; the student is the
    // group's `student`-th in the order of their keys (0: the first, who has a chosen row
    // without a stream), wherever the list shows him.
    void walkToGroup(const QString& semester = QStringLiteral("3"));
    void chooseStudent(int student);
    int listRowOfStudent(int student);
    // The texts of a list dataset's `field`, in view order, leaving its current row in place.
    static QStringList column(Dataset& list, const QString& field);

    // Statements sent since the mark.
    void markLog() { log.clear(); }
    std::vector<QString> sentContaining(const QString& part) const;

    // A single value read straight from the database file, bypassing the client.
    QString dbValue(const QString& sql) const;

    QTemporaryDir programDir;
    server::GeneratedDatabase demo;
    std::unique_ptr<OdbcRun> odbcRun;  // serves the database over TDS in the odbc run
    RecordingNotices notices;
    FixedWorkstation workstation;
    std::unique_ptr<TDM_MB> dm;
    std::unique_ptr<TForm1> window;
    std::vector<QString> log;
    QString failOn;
    int passedOn = 0;  // statements handed to the server since the sign-in
};

}  // namespace zev::testing
