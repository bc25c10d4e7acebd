// zev-sql on the embedded demo database, made by the project's generator for each test run.

#include "core/Errors.h"
#include "server/gen/Generator.h"
#include "server/shell/Shell.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

using namespace zev::shell;

class ShellOnDemo : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        ASSERT_TRUE(dir_->isValid());
        demo_ = new server::GeneratedDatabase(
            server::generateDatabase(dir_->path(), server::DatabaseSize::Demo));
    }
    static void TearDownTestSuite() {
        delete demo_;
        delete dir_;
    }

    // A staff connection string naming the database by its absolute path.
    static QString staffConnection() {
        return QStringLiteral("User ID=%1;Password=%2;Initial Catalog=ZEV;Data Source=%3")
            .arg(QString::fromLatin1(server::kStaffUser),
                 QString::fromLatin1(server::kStaffPassword), demo_->databaseFile);
    }

    int run(const QStringList& arguments, const QString& stdinText = {}) {
        outText_.clear();
        errText_.clear();
        QString in = stdinText;
        QTextStream input(&in), out(&outText_), err(&errText_);
        return runShell(arguments, input, out, err);
    }

    QString outText_, errText_;
    static QTemporaryDir* dir_;
    static server::GeneratedDatabase* demo_;
};
QTemporaryDir* ShellOnDemo::dir_ = nullptr;
server::GeneratedDatabase* ShellOnDemo::demo_ = nullptr;

TEST_F(ShellOnDemo, TableOfAQueryWithAStaffAccount) {
    ASSERT_EQ(
        run({"-c", staffConnection(), "SELECT id_a_year, p32 FROM a_year ORDER BY id_a_year"}),
        kExitOk)
        << errText_.toStdString();
    const QStringList lines = outText_.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("id_a_year")) << outText_.toStdString();
    EXPECT_TRUE(lines[0].contains("p32"));
    EXPECT_TRUE(lines[1].startsWith("---------"));
    EXPECT_TRUE(lines.last().endsWith("rows)"));
    EXPECT_TRUE(errText_.isEmpty());
}

TEST_F(ShellOnDemo, CsvFromStandardInputAndProcedureCalls) {
    const QString script = QStringLiteral(
        "SELECT TOP 2 id_faculty, [p23-1] FROM Faculty ORDER BY id_faculty;\n"
        "SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, 1)\n"
        "GO\n");
    ASSERT_EQ(run({"-c", staffConnection(), "--csv"}, script), kExitOk) << errText_.toStdString();
    const QStringList lines = outText_.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4) << outText_.toStdString();
    EXPECT_EQ(lines[0], "id_faculty,p23-1");
    EXPECT_TRUE(lines.contains("id_teacher,t_fio")) << outText_.toStdString();
}

TEST_F(ShellOnDemo, UpdatesReportTheRowsAffected) {
    ASSERT_EQ(run({"-c", staffConnection(),
                   "UPDATE Debts SET id_semester = id_semester WHERE id_debts < 0"}),
              kExitOk)
        << errText_.toStdString();
    EXPECT_EQ(outText_, "(0 rows affected)\n");
}

TEST_F(ShellOnDemo, ErrorsGoToStandardErrorWithAFailingStatus) {
    EXPECT_EQ(run({"-c", staffConnection(), "SELECT 1 AS one", "SELECT * FROM no_such_table"}),
              kExitStatementFailed);
    EXPECT_TRUE(outText_.contains("one")) << "statements before the failure still ran";
    EXPECT_TRUE(errText_.startsWith("zev-sql: ")) << errText_.toStdString();
    EXPECT_TRUE(errText_.contains("no_such_table")) << errText_.toStdString();
}

TEST_F(ShellOnDemo, SettingsFileGivesTheSignInAccountOnly) {
    // The settings file names the database relative to its own folder and the fixed account,
    // which may run GET_USER and nothing else.
    ASSERT_FALSE(demo_->logins.empty());
    const QString login = demo_->logins.front().login;
    EXPECT_EQ(run({"-s", demo_->settingsFile, "SELECT id_a_year FROM a_year"}),
              kExitStatementFailed);
    EXPECT_FALSE(errText_.isEmpty());

    ASSERT_EQ(run({"-s", demo_->settingsFile, "--csv",
                   QStringLiteral("EXEC GET_USER '%1','00000000000000000000000000000000',NULL, "
                                  "'ZEV 32', '127.0.0.1', 'test-pc', '%1','0','4'")
                       .arg(login)}),
              kExitOk)
        << errText_.toStdString();
    const QStringList lines = outText_.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << outText_.toStdString();
    EXPECT_EQ(lines[0].count(u',') + 1, 6) << "six answer columns";
}

TEST_F(ShellOnDemo, WrittenSettingsFileOpensTheDatabaseBesideIt) {
    const QString settings = QDir(dir_->path()).filePath(QStringLiteral("staff/ZEV"));
    ASSERT_EQ(run({"-c",
                   QStringLiteral("User ID=%1;Password=%2;Initial Catalog=ZEV;"
                                  "Data Source=../zev-demo.sqlite")
                       .arg(QString::fromLatin1(server::kStaffUser),
                            QString::fromLatin1(server::kStaffPassword)),
                   "--write-settings", settings}),
              kExitOk)
        << errText_.toStdString();
    ASSERT_EQ(run({"-s", settings, "--csv", "SELECT COUNT(*) AS n FROM a_year"}), kExitOk)
        << errText_.toStdString();
    EXPECT_TRUE(outText_.startsWith("n\n")) << outText_.toStdString();
}

TEST_F(ShellOnDemo, ParamsBindTheMarkersOfEveryStatement) {
    ASSERT_EQ(
        run({"-c", staffConnection(), "--csv", "--param", "id=2", "--param", ":name=2024/2025",
             "SELECT p32 FROM a_year WHERE id_a_year = :id AND p32 = :name",
             "SELECT COUNT(*) AS n FROM a_year WHERE id_a_year <> :id"}),
        kExitOk)
        << errText_.toStdString();
    EXPECT_EQ(outText_, "p32\n2024/2025\nn\n2\n");

    // A marker without a value is named; a --param without '=' is a wrong command line.
    EXPECT_EQ(run({"-c", staffConnection(), "SELECT p32 FROM a_year WHERE id_a_year = :other"}),
              kExitStatementFailed);
    EXPECT_TRUE(errText_.contains("other")) << errText_.toStdString();
    EXPECT_EQ(run({"-c", staffConnection(), "--param", "novalue", "SELECT 1"}), kExitUsage);
}

TEST(ShellParams, WholeNumbersBindAsIntegersAndTheRestAsText) {
    EXPECT_EQ(parseParam(QStringLiteral("k=-15")).value, Value{std::int64_t{-15}});
    EXPECT_EQ(parseParam(QStringLiteral("k=1.5")).value, Value{QStringLiteral("1.5")});
    EXPECT_EQ(parseParam(QStringLiteral("name=Иванов=Ёж")).value,
              Value{QStringLiteral("Иванов=Ёж")});
    EXPECT_EQ(parseParam(QStringLiteral("empty=")).value, Value{QString()});
    EXPECT_EQ(parseParam(QStringLiteral(":k=1")).name, QStringLiteral("k"));
    EXPECT_THROW(parseParam(QStringLiteral("=1")), zev::Error);
}

}  // namespace
}  // namespace zev::testing
