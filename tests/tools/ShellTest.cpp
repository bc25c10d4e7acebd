// The administrators' SQL shell: its settings-file reading, script splitting, result printing and
// the run of statements with their exit statuses.

#include "FakeDrivers.h"
#include "QtPrinting.h"
#include "core/Errors.h"
#include "core/ProgramVersion.h"
#include "data/Connection.h"
#include "server/shell/ResultPrinter.h"
#include "server/shell/ScriptSplitter.h"
#include "server/shell/Shell.h"
#include "server/shell/ShellSettingsFile.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

using namespace zev::shell;

// Stores a text the way the settings file does: each character one code lower.
QByteArray storedField(const QByteArray& text) {
    QByteArray stored = text;
    for (char& c : stored) {
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);
    }
    return stored.leftJustified(20, '\x7f');
}

QByteArray settingsBytes(const QByteArray& user, const QByteArray& password,
                         const QByteArray& server, const QByteArray& catalog) {
    QByteArray b = storedField(user) + storedField(password);
    b += char(user.size());
    b += char(password.size());
    b += storedField(server) + storedField(catalog);
    b += char(server.size());
    b += char(catalog.size());
    return b;
}

TEST(ShellSettings, DecodesTheFourShiftedTexts) {
    const ShellSettings s = decodeShellSettings(
        settingsBytes("zev_signin", "pw!", "zev.sqlite", "ZEV") + QByteArray("trailing bytes"));
    EXPECT_EQ(s.user, "zev_signin");
    EXPECT_EQ(s.password, "pw!");
    EXPECT_EQ(s.server, "zev.sqlite");
    EXPECT_EQ(s.catalog, "ZEV");
    EXPECT_EQ(shellConnectionString(s),
              "Provider=SQLOLEDB.1;Password=pw!;Persist Security Info=True;User ID=zev_signin;"
              "Initial Catalog=ZEV;Data Source=zev.sqlite;Use Procedure for Prepare=1;"
              "Auto Translate=True;Packet Size=4096;Use Encryption for Data=False;"
              "Tag with column collation when possible=False");
}

TEST(ShellSettings, ShiftWrapsAndLengthsAreClamped) {
    EXPECT_EQ(shellShiftText(QByteArray("\xff", 1)), QString(QChar(0)));
    EXPECT_EQ(shellShiftText("`a"), "ab");
    QByteArray bytes = settingsBytes("u", "p", "s", "c");
    bytes[40] = char(200);  // a length above 20 yields the whole field
    EXPECT_EQ(decodeShellSettings(bytes).user.size(), 20);
    EXPECT_THROW(decodeShellSettings(bytes.left(83)), Error);
    EXPECT_THROW(readShellSettingsFile(QStringLiteral("/nonexistent/Data/ZEV")), Error);
}

TEST(ShellSettings, EncodingRoundTripsAndRefusesLongTexts) {
    const ShellSettings s{QStringLiteral("zev_signin"), QStringLiteral("Пароль#1"),
                          QStringLiteral("dbhost\\SQLEXPRESS"), QStringLiteral("ZEV")};
    const QByteArray bytes = encodeShellSettings(s);
    ASSERT_EQ(bytes.size(), 84);
    EXPECT_EQ(bytes.left(10), storedField("zev_signin").left(10));
    const ShellSettings back = decodeShellSettings(bytes);
    EXPECT_EQ(back.user, s.user);
    EXPECT_EQ(back.password, s.password);
    EXPECT_EQ(back.server, s.server);
    EXPECT_EQ(back.catalog, s.catalog);
    EXPECT_THROW(encodeShellSettings({QString(21, u'x'), {}, {}, {}}), Error);
}

TEST(ScriptSplitting, GoLinesAndSemicolonsAtLineEnd) {
    const auto s = splitScript(
        QStringLiteral("SELECT 1;\n"
                       "SELECT 'a;\nb;' AS x; -- a literal spanning lines keeps its ';'\n"
                       "UPDATE t SET a = 1\n  WHERE b = 2\ngo\n"
                       "/* go;\nGO */ SELECT [x;]\n"
                       "  GO  \n\n;\n"));
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0], "SELECT 1");
    EXPECT_EQ(s[1], "SELECT 'a;\nb;' AS x");
    EXPECT_EQ(s[2], "UPDATE t SET a = 1\n  WHERE b = 2");
    EXPECT_EQ(s[3], "/* go;\nGO */ SELECT [x;]");
}

TEST(ScriptSplitting, QuotedNamesAndNestedCommentsHideTheirSeparators) {
    // A quote inside a double-quoted name starts no string, and a block comment ends only at
    // its own "*/": neither may swallow the next statement.
    const auto s =
        splitScript(QStringLiteral("SELECT id_faculty AS \"it's\" FROM Faculty;\n"
                                   "SELECT 2 AS \"a\"\"b;\";\n"
                                   "/* outer /* inner */ still a comment;\n*/ SELECT 3;\n"
                                   "SELECT 4;\n"));
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0], "SELECT id_faculty AS \"it's\" FROM Faculty");
    EXPECT_EQ(s[1], "SELECT 2 AS \"a\"\"b;\"");
    EXPECT_EQ(s[2], "/* outer /* inner */ still a comment;\n*/ SELECT 3");
    EXPECT_EQ(s[3], "SELECT 4");
}

TEST(ScriptSplitting, BatchesSplitOnlyAtGo) {
    const auto s = splitScript(
        QStringLiteral("CREATE PROCEDURE p AS\nBEGIN\n  SELECT 1;\n  SELECT 2;\nEND\nGO\nEXEC p\n"),
        SplitMode::Batches);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_TRUE(s[0].contains("SELECT 1;\n  SELECT 2;"));
    EXPECT_EQ(s[1], "EXEC p");
}

ResultSet sampleResult() {
    ResultSet r;
    r.columns = {{"id", ColumnType::Integer}, {"name", ColumnType::Text}};
    r.cells = {std::int64_t{7}, QStringLiteral("Иванов, \"И\""), std::int64_t{1234}, Value{}};
    return r;
}

TEST(ResultPrinting, AlignedTable) {
    EXPECT_EQ(formatTable(sampleResult()),
              "id   name\n"
              "---- -----------\n"
              "   7 Иванов, \"И\"\n"
              "1234 NULL\n"
              "(2 rows)\n");
}

TEST(ResultPrinting, CsvQuotesWhatNeedsIt) {
    EXPECT_EQ(formatCsv(sampleResult()),
              "id,name\n"
              "7,\"Иванов, \"\"И\"\"\"\n"
              "1234,\n");
}

TEST(StatementKinds, RowsComeFromSelectExecAndWith) {
    EXPECT_TRUE(returnsRows(QStringLiteral("  select 1")));
    EXPECT_TRUE(returnsRows(QStringLiteral("-- note\n/* x */ EXEC GetDebts 1, 2, 3")));
    EXPECT_TRUE(returnsRows(QStringLiteral("(SELECT 1)")));
    EXPECT_FALSE(returnsRows(QStringLiteral("UPDATE t SET a = 1")));
    EXPECT_FALSE(returnsRows(QStringLiteral("SET DATEFORMAT dmy")));
}

// A server that answers the two SELECTs with the sample, fails on "boom" and reports three rows
// for every other statement.
std::shared_ptr<FakeServer> scriptedServer() {
    auto server = std::make_shared<FakeServer>();
    server->results[QStringLiteral("SELECT 1")] = sampleResult();
    server->results[QStringLiteral("SELECT 2")] = sampleResult();
    server->failures[QStringLiteral("SELECT * FROM boom")] =
        QStringLiteral("Invalid object name 'boom'.");
    server->rowsAffected = 3;
    return server;
}

TEST(ShellRun, PrintsResultsAndStopsAtTheFirstError) {
    const auto server = scriptedServer();
    Connection connection;
    connection.openWithDriver(std::make_unique<FakeDriver>(server));
    QString outText, errText;
    QTextStream out(&outText), err(&errText);

    const int status =
        runStatements({QStringLiteral("DELETE FROM t"), QStringLiteral("SELECT 1"),
                       QStringLiteral("SELECT * FROM boom"), QStringLiteral("SELECT 2")},
                      connection, OutputFormat::Table, out, err);
    EXPECT_EQ(status, kExitStatementFailed);
    EXPECT_EQ(server->sentStatements(),
              (std::vector<QString>{"DELETE FROM t", "SELECT 1", "SELECT * FROM boom"}));
    EXPECT_TRUE(outText.startsWith("(3 rows affected)\n\nid   name\n")) << outText.toStdString();
    EXPECT_EQ(errText, "zev-sql: Invalid object name 'boom'.\n");
}

TEST(ShellRun, CsvPrintsOnlyTheRows) {
    const auto server = scriptedServer();
    Connection connection;
    connection.openWithDriver(std::make_unique<FakeDriver>(server));
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    EXPECT_EQ(runStatements({QStringLiteral("UPDATE t SET a = 1"), QStringLiteral("SELECT 1")},
                            connection, OutputFormat::Csv, out, err),
              kExitOk);
    EXPECT_EQ(outText, formatCsv(sampleResult()));
    EXPECT_TRUE(errText.isEmpty());
}

TEST(ShellRun, CommandLineMistakesAndMissingFiles) {
    QString in, outText, errText;
    QTextStream input(&in), out(&outText), err(&errText);
    EXPECT_EQ(runShell({QStringLiteral("SELECT 1")}, input, out, err), kExitUsage);
    EXPECT_TRUE(errText.contains("Give exactly one of -s")) << errText.toStdString();
    EXPECT_EQ(runShell({"-s", "a", "-c", "b"}, input, out, err), kExitUsage);
    EXPECT_EQ(runShell({"-c", "Data Source=x.sqlite", "--bogus"}, input, out, err), kExitUsage);
    EXPECT_EQ(runShell({"--help"}, input, out, err), kExitOk);
    EXPECT_TRUE(outText.contains("Usage: zev-sql"));

    errText.clear();
    QTemporaryDir dir;
    EXPECT_EQ(runShell({"-s", dir.filePath("Data/ZEV"), "SELECT 1"}, input, out, err),
              kExitStatementFailed);
    EXPECT_TRUE(errText.startsWith("zev-sql: Cannot read the settings file"))
        << errText.toStdString();
}

TEST(ShellRun, VersionAndOptionsAfterStatements) {
    QString in, outText, errText;
    QTextStream input(&in), out(&outText), err(&errText);
    EXPECT_EQ(runShell({"--version"}, input, out, err), kExitOk);
    EXPECT_EQ(outText, QStringLiteral("zev-sql %1\n").arg(QLatin1String(kProgramVersionText)));
    // An option's value must follow it; "-" and everything after "--" are statements.
    EXPECT_EQ(runShell({"-c"}, input, out, err), kExitUsage);
    const ShellOptions options =
        parseShellArguments({"-c", "Data Source=x.sqlite", "-", "--", "--csv"});
    EXPECT_EQ(options.statements, QStringList({"-", "--csv"}));
    EXPECT_EQ(options.format, OutputFormat::Table);
    EXPECT_EQ(parseShellArguments({"SELECT 1", "--csv", "-c", "x"}).format, OutputFormat::Csv);
}

TEST(GeneratorProgram, HelpAndVersion) {
    QProcess help;
    help.start(QStringLiteral(ZEV_GEN_PROGRAM), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_EQ(help.exitCode(), 0);
    const QByteArray helpText = help.readAllStandardOutput();
    EXPECT_TRUE(helpText.contains("--tsql")) << helpText.toStdString();
    QProcess version;
    version.start(QStringLiteral(ZEV_GEN_PROGRAM), {QStringLiteral("--version")});
    ASSERT_TRUE(version.waitForFinished(10000));
    EXPECT_EQ(version.readAllStandardOutput().trimmed(),
              QByteArray("zev-gen ") + QByteArray(kProgramVersionText));
    QProcess wrong;
    wrong.start(QStringLiteral(ZEV_GEN_PROGRAM), {QStringLiteral("tiny"), QStringLiteral("x")});
    ASSERT_TRUE(wrong.waitForFinished(10000));
    EXPECT_EQ(wrong.exitCode(), 2);
}

}  // namespace
}  // namespace zev::testing
