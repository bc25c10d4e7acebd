// The SQL Server driver end to end: FreeTDS under the ODBC driver manager against the TDS test
// server, which counts and records what crosses the wire.
#include "TdsFixture.h"
#include "server/shell/Shell.h"

#include <QTextStream>

namespace zev::testing {
namespace {

using namespace zev::tds;

using OdbcOverTds = TdsFixture;

TEST_F(OdbcOverTds, OneRequestPerStatementAndNothingButTheLoginAtConnect) {
    auto c = connect(staffSettings());
    SessionRecord s = lastSessionOf(QString::fromLatin1(server::kStaffUser));
    EXPECT_EQ(s.requests, 0) << "sent at connect: " << s.statements.front().toStdString();
    EXPECT_EQ(s.application, QStringLiteral("ZEV 32"));
    EXPECT_EQ(s.database, QStringLiteral("ZEV"));

    const ResultSet years = c->query(QStringLiteral("SELECT id_a_year, p32 FROM a_year"));
    ASSERT_EQ(years.rowCount(), 3);
    EXPECT_EQ(years.columns[0].name, QStringLiteral("id_a_year"));
    EXPECT_EQ(years.columns[0].type, ColumnType::Integer);
    EXPECT_EQ(years.columns[1].type, ColumnType::Text);
    EXPECT_EQ(valueText(years.at(1, 1)), QStringLiteral("2024/2025"));

    // Parameters: an integer, a Null and a text, in one call each time.
    const ResultSet groups = c->query(
        QStringLiteral("SELECT id_group, p20 FROM [group] WHERE id_group = :id OR p20 = :name "
                       "OR p20 = :none ORDER BY p20"),
        {{"id", Value{std::int64_t{1}}},
         {"name", Value{QStringLiteral("ИВТ-24")}},
         {"none", Value{}}});
    EXPECT_GE(groups.rowCount(), 1);
    const ResultSet debts =
        c->query(QStringLiteral("EXEC GetDebts :g, :s, :m"), {{"g", Value{std::int64_t{1}}},
                                                              {"s", Value{std::int64_t{1}}},
                                                              {"m", Value{std::int64_t{1}}}});
    EXPECT_EQ(debts.columnCount(), 2);

    s = lastSessionOf(QString::fromLatin1(server::kStaffUser));
    EXPECT_EQ(s.requests, 3);
    ASSERT_EQ(s.parameterDeclarations.size(), 2u);
    // Integers as integers, texts as Unicode of one fixed size.
    EXPECT_TRUE(s.parameterDeclarations[0].contains(QStringLiteral("int"), Qt::CaseInsensitive))
        << s.parameterDeclarations[0].toStdString();
    EXPECT_TRUE(
        s.parameterDeclarations[0].contains(QStringLiteral("nvarchar(4000)"), Qt::CaseInsensitive))
        << s.parameterDeclarations[0].toStdString();
    EXPECT_FALSE(
        s.parameterDeclarations[0].contains(QStringLiteral(" varchar"), Qt::CaseInsensitive));
}

TEST_F(OdbcOverTds, CyrillicTextReachesALatinCollationDatabaseIntact) {
    TdsServerOptions latin;
    latin.latinCollation = true;
    startServer(latin);
    auto c = connect(staffSettings());
    const QString name = QStringLiteral("Иванов Ёж");
    // The electives' ZEV_user: a text column that members of staff may write.
    EXPECT_EQ(c->execute(QStringLiteral("UPDATE DisciplineForStudent SET ZEV_user = :name WHERE "
                                        "id_disciplineForStudent = :id"),
                         {{"name", Value{name}}, {"id", Value{std::int64_t{1}}}}),
              1);
    const ResultSet back =
        c->query(QStringLiteral("SELECT ZEV_user FROM DisciplineForStudent WHERE ZEV_user = :name"),
                 {{"name", Value{name}}});
    ASSERT_EQ(back.rowCount(), 1);
    EXPECT_EQ(valueText(back.at(0, 0)), name);
    // Short and long texts share the declared size, and so the server's plan.
    c->query(QStringLiteral("SELECT ZEV_user FROM DisciplineForStudent WHERE ZEV_user = :name"),
             {{"name", Value{QStringLiteral("Ё")}}});
    const SessionRecord s = lastSessionOf(QString::fromLatin1(server::kStaffUser));
    ASSERT_EQ(s.parameterDeclarations.size(), 3u);
    for (const QString& d : s.parameterDeclarations) {
        EXPECT_TRUE(d.contains(QStringLiteral("nvarchar(4000)"), Qt::CaseInsensitive))
            << d.toStdString();
    }
    EXPECT_EQ(s.parameterDeclarations[1], s.parameterDeclarations[2]);
}

TEST_F(OdbcOverTds, WithoutRowCountsAnUpdateFailsInsteadOfPassingForSaved) {
    TdsServerOptions noCounts;
    noCounts.noRowCounts = true;
    startServer(noCounts);
    auto c = connect(staffSettings());
    const QString text = errorOf([&] {
        c->execute(
            QStringLiteral("UPDATE Debts SET id_semester = id_semester WHERE id_debts = :id"),
            {{"id", Value{std::int64_t{999}}}});
    });
    EXPECT_TRUE(text.contains(QStringLiteral("did not report"))) << text.toStdString();
    // Rows still come back.
    EXPECT_EQ(c->query(QStringLiteral("SELECT p32 FROM a_year")).rowCount(), 3);
}

TEST_F(OdbcOverTds, ServerErrorsLoginFailuresAndAClosedSocketAreClear) {
    auto c = connect(staffSettings());
    EXPECT_EQ(errorOf([&] { c->query(QStringLiteral("SELECT * FROM nothing")); }),
              QStringLiteral("Invalid object name 'nothing'."));
    // The connection goes on after a server error.
    EXPECT_EQ(c->query(QStringLiteral("SELECT p32 FROM a_year")).rowCount(), 3);

    ConnectionSettings wrong = staffSettings();
    wrong.password = QStringLiteral("not;the}password");
    const QString login = errorOf([&] { connect(wrong); });
    EXPECT_TRUE(login.contains(QStringLiteral("Login failed for user 'zev_staff'.")))
        << login.toStdString();
    EXPECT_FALSE(login.contains(QStringLiteral("not;the}password")));

    tds->dropConnections();
    const QString dropped = errorOf([&] { c->query(QStringLiteral("SELECT p32 FROM a_year")); });
    EXPECT_TRUE(dropped.startsWith(QStringLiteral("The connection to SQL Server was lost")))
        << dropped.toStdString();
    // Reopened, the connection works again.
    c->close();
    c->open();
    EXPECT_EQ(c->query(QStringLiteral("SELECT p32 FROM a_year")).rowCount(), 3);
}

TEST_F(OdbcOverTds, APasswordWithSeparatorsAndACyrillicAccountLogIn) {
    // FreeTDS 1.3 reads a braced value up to its first '}', so a '}' cannot travel in the
    // connection string to it; ';', '=' and '{' can.
    ConnectionSettings s = staffSettings();
    s.user = QStringLiteral("Кафедра_кит");
    s.password = QStringLiteral("{Пар;ль=1");
    runOnDatabase(
        "INSERT INTO db_account (name, password, signin_only) "
        "VALUES ('Кафедра_кит', '{Пар;ль=1', 0)");
    auto c = connect(s);
    EXPECT_EQ(c->query(QStringLiteral("SELECT p32 FROM a_year")).rowCount(), 3);
    EXPECT_EQ(lastSessionOf(s.user).user, s.user);

    // With a '}' the login fails, saying why.
    s.password = QStringLiteral("Пар;ль}=1");
    const QString text = errorOf([&] { connect(s); });
    EXPECT_TRUE(text.contains(QStringLiteral("cannot take a '}'"))) << text.toStdString();
}

TEST_F(OdbcOverTds, SeveralSessionsAtOnce) {
    auto first = connect(staffSettings());
    auto second = connect(staffSettings());
    EXPECT_EQ(first->query(QStringLiteral("SELECT p32 FROM a_year")).rowCount(), 3);
    EXPECT_EQ(second->query(QStringLiteral("SELECT p43 FROM Semester")).rowCount(),
              second->query(QStringLiteral("SELECT id_semester FROM Semester")).rowCount());
    first.reset();
    EXPECT_EQ(second->query(QStringLiteral("SELECT p32 FROM a_year")).rowCount(), 3);
    int staffSessions = 0;
    for (const SessionRecord& r : tds->sessions()) {
        staffSessions += r.user == QString::fromLatin1(server::kStaffUser) ? 1 : 0;
    }
    EXPECT_EQ(staffSessions, 2);
}

TEST_F(OdbcOverTds, TheShellBindsParamsOverTheWire) {
    QString in, outText, errText;
    QTextStream input(&in), out(&outText), err(&errText);
    const QString connection = QStringLiteral("User ID=%1;Password=%2;Data Source=%3")
                                   .arg(QString::fromLatin1(server::kStaffUser),
                                        QString::fromLatin1(server::kStaffPassword), dataSource());
    const char* const select =
        "SELECT id_semester FROM Semester WHERE id_semester = :id AND p43 = :name";
    ASSERT_EQ(shell::runShell({"-c", connection, "--csv", "--param", "id=3", "--param",
                               "name=3 семестр", select},
                              input, out, err),
              shell::kExitOk)
        << errText.toStdString();
    EXPECT_EQ(outText, QStringLiteral("id_semester\n3\n"));
    const SessionRecord s = lastSessionOf(QString::fromLatin1(server::kStaffUser));
    ASSERT_EQ(s.parameterDeclarations.size(), 1u);
    EXPECT_EQ(s.parameterDeclarations[0].toLower(), QStringLiteral("@p1 int,@p2 nvarchar(4000)"));
}

}  // namespace
}  // namespace zev::testing
