// The SQL Server driver hands rows to a dataset cell by cell as it reads them. A dataset opened
// that way must hold the same fields and values as one filled from the driver's snapshot, and as
// the embedded server's own answer from the same database file.
#include "FakeDrivers.h"
#include "TdsFixture.h"

#include "data/Dataset.h"
#include "data/OdbcDriver.h"

namespace zev::testing {
namespace {

using namespace zev::tds;

// Every field of every row: name, type and value (or <null>).
std::vector<QString> contentsOf(Connection& connection, const QString& sql) {
    Query q(&connection);
    q.setObjectName(QStringLiteral("ADOQ_compared"));
    q.setSQL(sql);
    q.open();
    std::vector<QString> out;
    for (Field* f : q.fields()) {
        out.push_back(QStringLiteral("%1:%2").arg(f->fieldName()).arg(int(f->dataType())));
    }
    for (q.first(); !q.eof(); q.next()) {
        for (Field* f : q.fields()) {
            out.push_back(f->isNull() ? QStringLiteral("<null>") : f->text());
        }
    }
    return out;
}

using OdbcRowSink = TdsFixture;

TEST_F(OdbcRowSink, CellByCellGivesTheSnapshotsFieldsAndValues) {
    auto streamed = connect(staffSettings());
    // The same driver under a watcher, which hands its rows over as one snapshot.
    Connection snapshot;
    snapshot.openWithDriver(std::make_unique<WatchedDriver>(openSqlServerDriver(staffSettings())));
    Connection embedded;
    ConnectionSettings local = staffSettings();
    local.dataSource = demo.databaseFile;
    embedded.setSettings(local);
    embedded.open();

    // A text longer than one read of the driver (it comes in pieces), Cyrillic and a Null.
    QString longText;
    for (int i = 0; longText.size() < 5000; ++i) {
        longText += QStringLiteral("Кафедра %1; ").arg(i);
    }
    ASSERT_EQ(streamed->execute(QStringLiteral("UPDATE DisciplineForStudent SET ZEV_user = :name "
                                               "WHERE id_disciplineForStudent = :id"),
                                {{"name", Value{longText}}, {"id", Value{std::int64_t{1}}}}),
              1);
    streamed->execute(QStringLiteral("UPDATE DisciplineForStudent SET ZEV_user = NULL WHERE "
                                     "id_disciplineForStudent = :id"),
                      {{"id", Value{std::int64_t{2}}}});

    const QString statements[] = {
        QStringLiteral("SELECT * FROM DisciplineForStudent ORDER BY id_disciplineForStudent"),
        QStringLiteral("SELECT * FROM t_fio ORDER BY 1"),
        QStringLiteral("SELECT id_a_year, p32 FROM a_year WHERE id_a_year < 0"),
    };
    for (const QString& sql : statements) {
        SCOPED_TRACE(sql.toStdString());
        const std::vector<QString> cells = contentsOf(*streamed, sql);
        EXPECT_GT(cells.size(), 1u);
        EXPECT_EQ(cells, contentsOf(snapshot, sql));
        EXPECT_EQ(cells, contentsOf(embedded, sql));
    }
    const std::vector<QString> electives =
        contentsOf(*streamed, QStringLiteral("SELECT ZEV_user FROM DisciplineForStudent WHERE "
                                             "id_disciplineForStudent IN (1, 2) ORDER BY 1"));
    EXPECT_EQ(electives, (std::vector<QString>{QStringLiteral("ZEV_user:4"),
                                               QStringLiteral("<null>"), longText}));
}

TEST_F(OdbcRowSink, AFailingStatementLeavesTheDatasetClosedAndTheConnectionUsable) {
    auto c = connect(staffSettings());
    Query q(c.get());
    q.setSQL(QStringLiteral("SELECT * FROM nothing"));
    EXPECT_EQ(errorOf([&] { q.open(); }), QStringLiteral("Invalid object name 'nothing'."));
    EXPECT_FALSE(q.isOpen());
    q.setSQL(QStringLiteral("SELECT p32 FROM a_year ORDER BY 1"));
    q.open();
    EXPECT_EQ(q.recordCount(), 3);
}

}  // namespace
}  // namespace zev::testing
