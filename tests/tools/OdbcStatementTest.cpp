// The SQL Server driver's statement path (direct execution, bound parameters, forward-only
// reading into the snapshot, rows affected, error texts) driven through another ODBC driver, the
// SQLite one, since no SQL Server is at hand. Skipped where that driver is not installed.

#include "core/Errors.h"
#include "data/Connection.h"
#include "data/OdbcDriver.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

using namespace zev::odbc;

const char* const kSqliteOdbc = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

class OdbcStatements : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo::exists(QString::fromLatin1(kSqliteOdbc))) {
            GTEST_SKIP() << "the SQLite ODBC driver (libsqliteodbc) is not installed";
        }
        ASSERT_TRUE(dir_.isValid());
        connection_.openWithDriver(
            openOdbcDriverWith(QStringLiteral("DRIVER={%1};Database=%2")
                                   .arg(QString::fromLatin1(kSqliteOdbc), dir_.filePath("t.db")),
                               QStringLiteral("test"), 5));
        connection_.execute(QStringLiteral(
            "CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(50), score DOUBLE)"));
    }

    QTemporaryDir dir_;
    Connection connection_;
};

TEST_F(OdbcStatements, BoundParametersAndSnapshotTypes) {
    const QString name = QStringLiteral("Дмитриева Анна");
    EXPECT_EQ(connection_.execute(QStringLiteral("INSERT INTO t VALUES (:id, :name, :score)"),
                                  {{"id", std::int64_t{1}}, {"name", name}, {"score", 4.5}}),
              1);
    EXPECT_EQ(connection_.execute(QStringLiteral("INSERT INTO t VALUES (2, NULL, NULL)")), 1);

    const ResultSet r =
        connection_.query(QStringLiteral("SELECT id, name, score FROM t ORDER BY id"));
    ASSERT_EQ(r.columnCount(), 3);
    ASSERT_EQ(r.rowCount(), 2);
    EXPECT_EQ(r.columns[0].name, "id");
    EXPECT_EQ(r.columns[0].type, ColumnType::Integer);
    EXPECT_EQ(r.columns[1].type, ColumnType::Text);
    EXPECT_EQ(r.columns[2].type, ColumnType::Float);
    EXPECT_EQ(std::get<std::int64_t>(r.at(0, 0)), 1);
    EXPECT_EQ(std::get<QString>(r.at(0, 1)), name);
    EXPECT_DOUBLE_EQ(std::get<double>(r.at(0, 2)), 4.5);
    EXPECT_TRUE(isNull(r.at(1, 1)));
    EXPECT_TRUE(isNull(r.at(1, 2)));

    // A name bound twice, and a Null parameter.
    const ResultSet same = connection_.query(
        QStringLiteral("SELECT id FROM t WHERE id = :k OR id = :k + 1 OR name = :none"),
        {{"k", std::int64_t{1}}, {"none", Value{}}});
    EXPECT_EQ(same.rowCount(), 2);
}

TEST_F(OdbcStatements, RowsAffectedAndErrors) {
    connection_.execute(
        QStringLiteral("INSERT INTO t VALUES (1, 'a', 1), (2, 'b', 2), (3, 'c', 3)"));
    EXPECT_EQ(connection_.execute(QStringLiteral("UPDATE t SET score = 0 WHERE id > 1")), 2);
    EXPECT_EQ(connection_.query(QStringLiteral("SELECT * FROM t WHERE id < 0")).rowCount(), 0);
    try {
        connection_.query(QStringLiteral("SELECT * FROM no_such_table WHERE x = 'TopSecret'"));
        FAIL() << "the statement must fail";
    } catch (const DatabaseError& e) {
        // The driver's own text, without the driver manager's bracketed prefixes.
        EXPECT_TRUE(e.text().contains("no_such_table")) << e.text().toStdString();
        EXPECT_FALSE(e.text().startsWith(u'[')) << e.text().toStdString();
    }
}

}  // namespace
}  // namespace zev::testing
