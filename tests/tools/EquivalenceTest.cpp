// The SQL Server scripts and the embedded server offer the same objects: tables and views with
// the same columns, procedures and the function with the same parameters and result columns. A
// routine's result columns on the embedded side are those its call answers on a demo database;
// on the SQL Server side, those of the SELECT that gives its result, typed by the tables and
// variables they come from.

#include "DeploymentScripts.h"
#include "QtPrinting.h"
#include "server/Catalog.h"
#include "server/EmbeddedServer.h"
#include "server/engine/History.h"
#include "server/gen/Generator.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace zev::testing {
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
        folder_ = new QTemporaryDir();
        ASSERT_TRUE(folder_->isValid());
        demo_ = new server::GeneratedDatabase(
            server::generateDatabase(folder_->path(), server::DatabaseSize::Demo));
    }
    static void TearDownTestSuite() {
        delete embedded_;
        delete scripts_;
        delete demo_;
        delete folder_;
    }

    // The columns that a call of the routine answers on the demo database, every argument Null:
    // the sign-in's procedure under the sign-in account, the others under the staff account.
    static std::vector<ResultColumn> calledColumns(const server::CatalogRoutine& routine,
                                                   bool function) {
        const bool signIn = routine.name.compare(u"GET_USER", Qt::CaseInsensitive) == 0;
        const auto session = server::Session::open(
            demo_->databaseFile,
            QString::fromLatin1(signIn ? server::kSignInUser : server::kStaffUser),
            QString::fromLatin1(signIn ? server::kSignInPassword : server::kStaffPassword));
        QStringList markers;
        for (std::size_t i = 0; i < routine.parameters.size(); ++i) {
            markers << QStringLiteral("?");
        }
        const QString call =
            function
                ? QStringLiteral("SELECT * FROM dbo.%1(%2)").arg(routine.name, markers.join(u','))
                : QStringLiteral("EXEC %1 %2").arg(routine.name, markers.join(u','));
        return session->query(call, std::vector<Value>(routine.parameters.size())).columns;
    }

    static server::Catalog* embedded_;
    static ScriptCatalog* scripts_;
    static QTemporaryDir* folder_;
    static server::GeneratedDatabase* demo_;
};
server::Catalog* Equivalence::embedded_ = nullptr;
ScriptCatalog* Equivalence::scripts_ = nullptr;
QTemporaryDir* Equivalence::folder_ = nullptr;
server::GeneratedDatabase* Equivalence::demo_ = nullptr;

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

void expectSameRoutines(
    const std::vector<server::CatalogRoutine>& embedded, const std::vector<ScriptRoutine>& scripts,
    const ScriptCatalog& catalog,
    const std::function<std::vector<ResultColumn>(const server::CatalogRoutine&)>& called) {
    EXPECT_EQ(namesOf(scripts), namesOf(embedded));
    for (const server::CatalogRoutine& routine : embedded) {
        const ScriptRoutine* twin = findNamed(scripts, routine.name);
        if (!twin) {
            continue;  // reported above
        }
        const std::string name = routine.name.toStdString();
        EXPECT_EQ(lowerCased(twin->parameters), columnNames(routine.parameters, true)) << name;
        expectSameTypes(routine.parameters, twin->parameterTypes, routine.name);

        const std::vector<ResultColumn> answered = called(routine);
        QStringList answeredNames;
        for (const ResultColumn& column : answered) {
            answeredNames << column.name.toLower();
        }
        EXPECT_EQ(lowerCased(twin->resultColumns), answeredNames) << name;
        // Types are compared where both sides tell one.
        for (std::size_t i = 0; i < answered.size(); ++i) {
            const QString scriptType = resultColumnType(catalog, *twin, static_cast<qsizetype>(i));
            if (!scriptType.isEmpty() && answered[i].type != ColumnType::Unknown) {
                EXPECT_EQ(typeOfTsql(scriptType), answered[i].type)
                    << name << "." << answered[i].name.toStdString();
            }
        }
    }
}

TEST_F(Equivalence, ProceduresWithParametersAndResultColumns) {
    expectSameRoutines(embedded_->procedures, scripts_->procedures, *scripts_,
                       [](const server::CatalogRoutine& r) { return calledColumns(r, false); });
}

TEST_F(Equivalence, TheTeachersFunction) {
    expectSameRoutines(embedded_->functions, scripts_->functions, *scripts_,
                       [](const server::CatalogRoutine& r) { return calledColumns(r, true); });
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
}  // namespace zev::testing
