// The TDS test server with FreeTDS's own tools, and its statement rewriting.
#include "TdsFixture.h"
#include "server/tds/TdsSession.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace zev::testing {
namespace {

using namespace zev::tds;

// Runs a tool with the given standard input; answers its standard output and error.
QString runTool(const QString& program, const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        return QStringLiteral("<did not start>");
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAll());
}

using FreeTdsTools = TdsFixture;

TEST_F(FreeTdsTools, TsqlQueriesAndSeesServerErrors) {
    const QString tsql = QStandardPaths::findExecutable(QStringLiteral("tsql"));
    if (tsql.isEmpty()) {
        GTEST_SKIP() << "tsql (freetds-bin) is not installed";
    }
    const QString out = runTool(
        tsql,
        {QStringLiteral("-H"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
         QString::number(port), QStringLiteral("-U"), QString::fromLatin1(server::kStaffUser),
         QStringLiteral("-P"), QString::fromLatin1(server::kStaffPassword), QStringLiteral("-D"),
         QStringLiteral("ZEV")},
        "SELECT id_a_year, p32 FROM a_year\ngo\nSELECT * FROM nothing\ngo\nexit\n");
    EXPECT_TRUE(out.contains(QStringLiteral("2024/2025"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("(3 rows affected)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Invalid object name 'nothing'.")))
        << out.toStdString();
    const SessionRecord s = lastSessionOf(QString::fromLatin1(server::kStaffUser));
    EXPECT_EQ(s.requests, 2);
    EXPECT_GT(s.bytesIn, 0);
    EXPECT_GT(s.bytesOut, s.bytesIn);
}

TEST_F(FreeTdsTools, IsqlThroughTheOdbcDriver) {
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql"));
    const QString driver = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
    if (isql.isEmpty() || !QFileInfo::exists(driver)) {
        GTEST_SKIP() << "isql (unixodbc) or the FreeTDS ODBC driver is not installed";
    }
    const QString connection =
        QStringLiteral(
            "DRIVER={%1};SERVER=127.0.0.1;PORT=%2;DATABASE=ZEV;UID=%3;PWD=%4;"
            "TDS_Version=7.4;ClientCharset=UTF-8")
            .arg(driver)
            .arg(port)
            .arg(QString::fromLatin1(server::kStaffUser),
                 QString::fromLatin1(server::kStaffPassword));
    // -e: each statement through SQLExecDirect, as the client runs them.
    const QString out = runTool(
        isql, {QStringLiteral("-k"), connection, QStringLiteral("-b"), QStringLiteral("-e")},
        "SELECT p43 FROM Semester WHERE id_semester = 3\n");
    EXPECT_TRUE(out.contains(QStringLiteral("3 семестр"))) << out.toStdString();
}

TEST(PositionalStatement, NamedParametersBecomeMarkersInOrder) {
    std::vector<int> order;
    const QString sql = positionalStatement(
        QStringLiteral("SELECT '@P1', [@P2] FROM t WHERE a = @P2 AND b = @p1 -- @P1\n"
                       "AND c = @P10 AND d = @@ROWCOUNT AND e = @P1"),
        {QStringLiteral("@P1"), QStringLiteral("@P2"), QStringLiteral("@P10")}, order);
    EXPECT_EQ(sql, QStringLiteral("SELECT '@P1', [@P2] FROM t WHERE a = ? AND b = ? -- @P1\n"
                                  "AND c = ? AND d = @@ROWCOUNT AND e = ?"));
    EXPECT_EQ(order, (std::vector<int>{1, 0, 2, 0}));
}

TEST(PositionalStatement, NamesInQuotedNamesAndNestedCommentsAreNoParameters) {
    // The server reads "/* a /* b */ c */" as one comment: the @P1 after the inner "*/" is
    // still inside it.
    std::vector<int> order;
    const QString sql = positionalStatement(
        QStringLiteral("SELECT \"@P1\" AS x /* a /* @P1 */ @P1 */ FROM t WHERE a = @P1"),
        {QStringLiteral("@P1")}, order);
    EXPECT_EQ(sql, QStringLiteral("SELECT \"@P1\" AS x /* a /* @P1 */ @P1 */ FROM t WHERE a = ?"));
    EXPECT_EQ(order, (std::vector<int>{0}));
}

TEST(ErrorNumbers, FollowTheServersWording) {
    EXPECT_EQ(errorNumberOf(QStringLiteral("Login failed for user 'x'.")), 18456);
    EXPECT_EQ(errorNumberOf(QStringLiteral("Invalid object name 'x'.")), 208);
    EXPECT_EQ(errorNumberOf(QStringLiteral("something else")), 50000);
}

}  // namespace
}  // namespace zev::testing
