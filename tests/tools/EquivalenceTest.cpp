// The SQL Server scripts and the embedded server offer the same objects: tables and views with
// the same columns, procedures and the function with the same parameters and result columns.

#include "DeploymentScripts.h"
#include "server/Catalog.h"
#include "server/engine/History.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>

namespace zev::tools {
namespace {

// What a T-SQL type holds, in the embedded server's terms.
ColumnType typeOfTsql(const QString& type) {
    static const QStringList integers = {"int", "bigint", "smallint", "tinyint", "bit"};
    static const QStringList floats = {"float", "real", "decimal", "numeric", "money"};
    if (integers.contains(type)) {
        return ColumnType::Integer;
    }
    if (floats.contains(type)) {
        return ColumnType::Float;
    }
    return ColumnType::Text;  // char, varchar, nvarchar, date, datetime2 ...
}

template <typename T>
const T* findNamed(const std::vector<T>& objects, const QString& name) {
    const auto it = std::find_if(objects.begin(), objects.end(), [&](const T& o) {
        return o.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    return it == objects.end() ? nullptr : &*it;
}

template <typename T>
QStringList namesOf(const std::vector<T>& objects) {
    QStringList names;
    for (const T& o : objects) {
        names << o.name.toLower();
    }
    names.sort();
    return names;
}

QStringList columnNames(const std::vector<server::CatalogColumn>& columns, bool dropAt = false) {
    QStringList names;
    for (const server::CatalogColumn& c : columns) {
        QString name = c.name.toLower();
        if (dropAt && name.startsWith(u'@')) {
            name.remove(0, 1);
        }
        names << name;
    }
    return names;
}

// Types are compared where the embedded server declares one.
void expectSameTypes(const std::vector<server::CatalogColumn>& embedded, const QStringList& tsql,
                     const QString& where) {
    ASSERT_EQ(static_cast<qsizetype>(embedded.size()), tsql.size()) << where.toStdString();
    for (std::size_t i = 0; i < embedded.size(); ++i) {
        if (embedded[i].type != ColumnType::Unknown) {
            EXPECT_EQ(typeOfTsql(tsql[static_cast<qsizetype>(i)]), embedded[i].type)
                << where.toStdString() << "." << embedded[i].name.toStdString();
        }
    }
}

class Equivalence : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        embedded_ = new server::Catalog(server::catalog());
        scripts_ = new ScriptCatalog(deploymentScripts());
    }
    static void TearDownTestSuite() {
        delete embedded_;
        delete scripts_;
    }
    static server::Catalog* embedded_;
    static ScriptCatalog* scripts_;
};
server::Catalog* Equivalence::embedded_ = nullptr;
ScriptCatalog* Equivalence::scripts_ = nullptr;

TEST_F(Equivalence, TablesAndTheirColumns) {
    // The schema version is the SQL Server deployment's own record.
    QStringList scriptTables = namesOf(scripts_->tables);
    scriptTables.removeAll(QStringLiteral("schema_version"));
    EXPECT_EQ(scriptTables, namesOf(embedded_->tables));
    for (const server::CatalogTable& table : embedded_->tables) {
        const ScriptTable* twin = findNamed(scripts_->tables, table.name);
        if (!twin) {
            continue;  // reported above
        }
        EXPECT_EQ(lowerCased(twin->columns), columnNames(table.columns))
            << table.name.toStdString();
        expectSameTypes(table.columns, twin->columnTypes, table.name);
    }
}

TEST_F(Equivalence, ViewsAndTheirColumns) {
    EXPECT_EQ(namesOf(scripts_->views), namesOf(embedded_->views));
    for (const server::CatalogTable& view : embedded_->views) {
        const ScriptView* twin = findNamed(scripts_->views, view.name);
        ASSERT_NE(twin, nullptr) << view.name.toStdString();
        EXPECT_EQ(lowerCased(twin->columns), columnNames(view.columns)) << view.name.toStdString();
    }
}

void expectSameRoutines(const std::vector<server::CatalogRoutine>& embedded,
                        const std::vector<ScriptRoutine>& scripts) {
    EXPECT_EQ(namesOf(scripts), namesOf(embedded));
    for (const server::CatalogRoutine& routine : embedded) {
        const ScriptRoutine* twin = findNamed(scripts, routine.name);
        if (!twin) {
            continue;  // reported above
        }
        const std::string name = routine.name.toStdString();
        EXPECT_EQ(lowerCased(twin->parameters), columnNames(routine.parameters, true)) << name;
        expectSameTypes(routine.parameters, twin->parameterTypes, routine.name);
        EXPECT_EQ(lowerCased(twin->resultColumns), columnNames(routine.columns)) << name;
    }
}

TEST_F(Equivalence, ProceduresWithParametersAndResultColumns) {
    expectSameRoutines(embedded_->procedures, scripts_->procedures);
}

TEST_F(Equivalence, TheTeachersFunction) {
    expectSameRoutines(embedded_->functions, scripts_->functions);
}

// The history triggers of both servers follow the same columns of each table, in the same order,
// so that a change is recorded alike whichever server holds the database.
TEST(HistoryTriggers, FollowTheSameColumnsOnBothServers) {
    QFile script(QStringLiteral(ZEV_SOURCE_DIR "/server/mssql/07_history.sql"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(script.readAll());
    for (const server::HistoryTable& table : server::historyTables()) {
        const QString start =
            QStringLiteral("CREATE OR ALTER TRIGGER dbo.%1_history ").arg(table.name);
        const qsizetype at = text.indexOf(start);
        ASSERT_GE(at, 0) << table.name.toStdString();
        const QString body = text.mid(at, text.indexOf(QStringLiteral("\nEND"), at) - at);
        QStringList columns;
        const QRegularExpression row(
            QStringLiteral("\\(\\d+, N'(\\w+)', CAST\\(d\\.(\\w+) AS "
                           "nvarchar\\(400\\)\\), CAST\\(i\\.(\\w+) AS"));
        for (auto m = row.globalMatch(body); m.hasNext();) {
            const QRegularExpressionMatch match = m.next();
            EXPECT_EQ(match.captured(1), match.captured(2));
            EXPECT_EQ(match.captured(1), match.captured(3));
            columns << match.captured(1);
        }
        EXPECT_EQ(columns, table.columns) << table.name.toStdString();
        EXPECT_TRUE(body.contains(QStringLiteral("ON d.%1 = i.%1").arg(table.key)))
            << table.name.toStdString();
    }
}

}  // namespace
}  // namespace zev::tools
