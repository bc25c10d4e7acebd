// The SQL Server scripts can be run again on a database they made (an upgrade runs them again):
// every CREATE outside a routine's body is CREATE OR ALTER or stands under an IF of its own, and
// the combined script is the steps in order.

#include "DeploymentScripts.h"
#include "MssqlScriptParser.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

TEST(RerunnableScripts, TheReaderTellsGuardedFromUnguardedCreates) {
    const ScriptCatalog c = parseMssqlScript(QStringLiteral(R"(
IF OBJECT_ID(N'dbo.a', N'U') IS NULL
CREATE TABLE dbo.a (id int NOT NULL);
CREATE TABLE dbo.b (id int NOT NULL);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.a'), N'a_id', 'IndexID') IS NULL
    CREATE INDEX a_id ON dbo.a(id);
CREATE INDEX b_id ON dbo.b(id);
GO
CREATE OR ALTER VIEW dbo.v AS SELECT id FROM dbo.a;
GO
CREATE PROCEDURE dbo.p AS BEGIN CREATE TABLE #t (x int); END
GO
IF DATABASE_PRINCIPAL_ID(N'r') IS NULL
    CREATE ROLE r;
CREATE ROLE s;
GO
)"));
    EXPECT_EQ(
        c.unguardedCreates,
        QStringList({QStringLiteral("CREATE TABLE dbo"), QStringLiteral("CREATE INDEX b_id"),
                     QStringLiteral("CREATE PROCEDURE dbo"), QStringLiteral("CREATE ROLE s")}));
}

TEST(RerunnableScripts, EveryStepRunsTwice) {
    const ScriptCatalog all = deploymentScripts();
    EXPECT_TRUE(all.unguardedCreates.isEmpty())
        << all.unguardedCreates.join(QStringLiteral("; ")).toStdString();
    // And the upgrade scripts, which a DBA may run more than once as well.
    const QDir upgrades(QStringLiteral(ZEV_SOURCE_DIR "/server/mssql/upgrade"));
    const QStringList names =
        upgrades.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    EXPECT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        const ScriptCatalog upgrade = parseMssqlScript(readText(upgrades.filePath(name)));
        EXPECT_TRUE(upgrade.unguardedCreates.isEmpty())
            << name.toStdString() << ": "
            << upgrade.unguardedCreates.join(QStringLiteral("; ")).toStdString();
    }
}

TEST(RerunnableScripts, TheCombinedScriptIsTheStepsInOrder) {
    const QString combined =
        readText(QStringLiteral(ZEV_BINARY_DIR "/server/mssql/zev-install.sql"));
    const QDir steps(QStringLiteral(ZEV_SOURCE_DIR "/server/mssql"));
    const QStringList names =
        steps.entryList({QStringLiteral("[0-9][0-9]_*.sql")}, QDir::Files, QDir::Name);
    // 01 to 05, the search for a student by name (06_find_student), the history of the
    // students' rows (07_history), the export of a group (08_group_export), stream capacity
    // (09_stream_capacity) and the schema version.
    ASSERT_EQ(names.size(), 10);
    qsizetype from = 0;
    for (const QString& name : names) {
        const qsizetype at = combined.indexOf(readText(steps.filePath(name)), from);
        EXPECT_GE(at, from) << name.toStdString() << " missing or out of order";
        from = at < 0 ? from : at;
    }
    // It makes the same objects as the steps, and records the schema version.
    const ScriptCatalog fromCombined = parseMssqlScript(combined);
    const ScriptCatalog fromSteps = deploymentScripts();
    EXPECT_EQ(fromCombined.tables.size(), fromSteps.tables.size());
    EXPECT_EQ(fromCombined.procedures.size(), fromSteps.procedures.size());
    EXPECT_TRUE(fromCombined.unguardedCreates.isEmpty());
    EXPECT_TRUE(combined.contains(QStringLiteral("INSERT INTO dbo.schema_version")));
}

}  // namespace
}  // namespace zev::testing
