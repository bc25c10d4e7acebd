// zev-gen's T-SQL load script: every row of the generated database, in tables and columns that
// the SQL Server scripts make, with texts quoted safely.

#include "DeploymentScripts.h"
#include "server/engine/Database.h"
#include "server/gen/Generator.h"
#include "server/gen/TsqlLoadScript.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace zev::testing {
namespace {

TEST(LoadScript, TextsAreUnicodeLiteralsWithQuotesDoubled) {
    EXPECT_EQ(server::tsqlText(QStringLiteral("Д'Артаньян")), QStringLiteral("N'Д''Артаньян'"));
    EXPECT_EQ(server::tsqlText(QStringLiteral("'; DROP TABLE x; --")),
              QStringLiteral("N'''; DROP TABLE x; --'"));
    EXPECT_EQ(server::tsqlText(QString()), QStringLiteral("N''"));
}

TEST(LoadScript, HoldsEveryRowInTablesTheServerScriptsMake) {
    QTemporaryDir dir;
    const server::GeneratedDatabase demo =
        server::generateDatabase(dir.path(), server::DatabaseSize::Demo);
    const QString scriptFile = dir.filePath(QStringLiteral("load.sql"));
    server::writeTsqlLoadScript(demo.databaseFile, scriptFile);
    QFile file(scriptFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString script = QString::fromUtf8(file.readAll());

    // It refuses a database that holds data, before any insert.
    const qsizetype guard = script.indexOf(QStringLiteral("RAISERROR"));
    ASSERT_GE(guard, 0);
    EXPECT_LT(guard, script.indexOf(QStringLiteral("INSERT INTO")));

    const ScriptCatalog tables = deploymentScripts();
    server::Database db(demo.databaseFile, server::Database::Mode::ReadWrite);
    static const QRegularExpression section(QStringLiteral("\n-- (\\w+)\n"));
    static const QRegularExpression insert(
        QStringLiteral("INSERT INTO dbo\\.(\\S+) \\(([^)]*)\\)"));
    QStringList seen;
    auto it = section.globalMatch(script);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString table = m.captured(1);
        seen << table.toLower();
        const qsizetype end = script.indexOf(QStringLiteral("\nGO\n"), m.capturedEnd());
        const QString body = script.mid(m.capturedEnd(), end - m.capturedEnd());
        // One tuple per row of the generated table.
        const qsizetype tuples = body.count(QStringLiteral("\n    ("));
        const ResultSet count = db.query(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table));
        EXPECT_EQ(QString::number(tuples), valueText(count.at(0, 0))) << table.toStdString();
        // The columns are those of the SQL Server table.
        const QRegularExpressionMatch columns = insert.match(body);
        if (tuples == 0) {
            continue;
        }
        ASSERT_TRUE(columns.hasMatch()) << table.toStdString();
        const auto twin = std::find_if(tables.tables.begin(), tables.tables.end(), [&](auto& t) {
            return t.name.compare(table, Qt::CaseInsensitive) == 0;
        });
        ASSERT_NE(twin, tables.tables.end()) << table.toStdString();
        QStringList names = columns.captured(2).split(QStringLiteral(", "));
        for (QString& n : names) {
            n = n.remove(u'[').remove(u']').toLower();
        }
        EXPECT_EQ(names, lowerCased(twin->columns)) << table.toStdString();
    }
    // Every table but the accounts and the sign-in log, the staff logins among them.
    EXPECT_TRUE(seen.contains(QStringLiteral("zev_login")));
    EXPECT_TRUE(seen.contains(QStringLiteral("disciplineforstudent")));
    EXPECT_FALSE(seen.contains(QStringLiteral("db_account")));
    EXPECT_FALSE(seen.contains(QStringLiteral("signin_log")));
    // The server's trigger on s_fio fills the search table as the students go in.
    EXPECT_FALSE(seen.contains(QStringLiteral("student_search")));
    // Only the history triggers write the history.
    EXPECT_FALSE(seen.contains(QStringLiteral("zev_history")));
    EXPECT_EQ(seen.size() + 4, static_cast<qsizetype>(tables.tables.size()) - 1)
        << "every table of the scripts but db_account, signin_log, student_search, zev_history "
           "and schema_version";
}

}  // namespace
}  // namespace zev::testing
