#pragma once

// The registration window signed in through the authentication window over a freshly generated
// demo database, with the notices recorded and answered by the test, every statement sent to
// the server logged (and, on request, failed), and helpers that walk the selection cascade as a
// user would.

#include "DemoProgramFolder.h"
#include "FakeWorkstation.h"
#include "OdbcRun.h"
#include "RecordingNotices.h"
#include "data/DataModule.h"
#include "registration/RegistrationWindow.h"
#include "signin/SignInWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zev::testing {

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
    // Changes the database file behind the server's back.
    void runOnDatabase(const QString& sql) const;

    DemoProgramFolder program;
    const server::GeneratedDatabase& demo = program.database();
    std::unique_ptr<OdbcRun> odbcRun;  // serves the database over TDS in the odbc run
    RecordingNotices notices;
    FakeWorkstation workstation{QStringLiteral("WS-REG"), QStringLiteral("10.0.0.7")};
    std::unique_ptr<TDM_MB> dm;
    std::unique_ptr<TForm1> window;
    std::vector<QString> log;
    QString failOn;
    int passedOn = 0;  // statements handed to the server since the sign-in
};

}  // namespace zev::testing
