// Failures that come from the server itself, not from the test's driver: a statement the server
// refuses in the middle of the cascade and, over the SQL Server path, the server closing the
// socket. Each is shown with a clear text and the window stays usable.
#include "RegistrationFixture.h"
#include "data/DataModule.h"

namespace zev::testing {
namespace {

using ServerFailures = RegistrationWindow;

TEST_F(ServerFailures, AServerErrorInTheMiddleOfTheCascadeIsShownAndTheCascadeGoesOn) {
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox7, QStringLiteral("id_f_educ"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox4, QStringLiteral("id_speciality"), QStringLiteral("1"));
    choose(*window->DBLookupComboBox2, QStringLiteral("p32"), QStringLiteral("2024/2025"));
    // The group list's table is gone when the semester is chosen.
    runOnDatabase("ALTER TABLE g_r_y RENAME TO g_r_y_away");
    choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), QStringLiteral("3"));
    ASSERT_EQ(notices.errors.size(), 1u);
    EXPECT_TRUE(notices.errors.front().contains(QStringLiteral("g_r_y")))
        << notices.errors.front().toStdString();
    EXPECT_FALSE(dm->ADOQ_group->isOpen());

    // Back in place, the same choice goes on down to the students.
    runOnDatabase("ALTER TABLE g_r_y_away RENAME TO g_r_y");
    choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), QStringLiteral("4"));
    choose(*window->DBLookupComboBox5, QStringLiteral("id_semester"), QStringLiteral("3"));
    EXPECT_EQ(notices.errors.size(), 1u);
    ASSERT_TRUE(dm->ADOQ_group->isOpen());
    choose(*window->DBLookupComboBox3, QStringLiteral("p20"), QStringLiteral("ИВТ-24"));
    EXPECT_TRUE(dm->ADOQ_Students->isOpen());
}

TEST_F(ServerFailures, TheServerClosingTheSocketGivesAClearMessage) {
    if (!odbcRun->server()) {
        GTEST_SKIP() << "the embedded server has no socket; the odbc run drops it";
    }
    choose(*window->DBLookupComboBox1, QStringLiteral("id_faculty"), QStringLiteral("1"));
    odbcRun->server()->dropConnections();
    choose(*window->DBLookupComboBox7, QStringLiteral("id_f_educ"), QStringLiteral("1"));
    ASSERT_EQ(notices.errors.size(), 1u);
    EXPECT_TRUE(
        notices.errors.front().startsWith(QStringLiteral("The connection to SQL Server was lost")))
        << notices.errors.front().toStdString();
    --passedOn;  // the statement that met the closed socket never reached the server
    // The window lives on: the lists keep what they held and the close is allowed.
    EXPECT_TRUE(dm->ADOQ_Faculty->isOpen());
    EXPECT_TRUE(window->close());
}

}  // namespace
}  // namespace zev::testing
