// The client's explicit transactions through the connection over the embedded server (and, in the
// odbc run, through FreeTDS and the ODBC driver to the TDS test server over the same file): what a
// commit keeps and a rollback undoes, the history with it, a statement that fails inside a
// transaction, the scope that rolls back, what a second connection sees and does meanwhile, the
// kept results of the session, and a connection closed in the middle.
#include "DatabaseFile.h"
#include "OdbcRun.h"
#include "core/Errors.h"
#include "data/Connection.h"
#include "data/TransactionScope.h"
#include "server/gen/Generator.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <stdexcept>
#include <thread>

namespace zev::testing {
namespace {

class ServerTransaction : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new QTemporaryDir();
        ASSERT_TRUE(folder_->isValid());
        const server::GeneratedDatabase made =
            server::generateDatabase(folder_->path(), server::DatabaseSize::Demo);
        databaseFile_ = new QString(made.databaseFile);
        odbcRun_ = new OdbcRun(made.databaseFile);
    }
    static void TearDownTestSuite() {
        delete odbcRun_;
        odbcRun_ = nullptr;
        delete databaseFile_;
        databaseFile_ = nullptr;
        delete folder_;
        folder_ = nullptr;
    }

    // An open connection of the staff account: the embedded file, or the TDS server.
    static std::unique_ptr<Connection> connect() {
        auto c = std::make_unique<Connection>();
        c->setConnectionString(odbcRun_->connectionString(
            QStringLiteral("Data Source=zev-demo.sqlite;Initial Catalog=ZEV;User ID=%1;Password=%2")
                .arg(QString::fromLatin1(server::kStaffUser),
                     QString::fromLatin1(server::kStaffPassword))));
        c->setBaseFolder(folder_->path());
        c->open();
        return c;
    }

    static QString scalar(Connection& c, const QString& sql, const Params& params = {}) {
        const ResultSet r = c.query(sql, params);
        return r.rowCount() > 0 ? valueText(r.at(0, 0)) : QStringLiteral("<no row>");
    }

    static qint64 historyRows(Connection& c) {
        return scalar(c, QStringLiteral("SELECT COUNT(*) FROM zev_history")).toLongLong();
    }

    // A new debt row; answers its key.
    static Value insertDebt(Connection& c) {
        const ResultSet r = c.query(
            QStringLiteral("INSERT INTO Debts (id_semester, id_student, id_discipline) OUTPUT "
                           "INSERTED.id_debts VALUES (1, 1, 1)"));
        EXPECT_EQ(r.rowCount(), 1);
        return r.rowCount() > 0 ? r.at(0, 0) : Value{};
    }

    static qint64 debtsWithKey(Connection& c, const Value& key) {
        return scalar(c, QStringLiteral("SELECT COUNT(*) FROM Debts WHERE id_debts = :k"),
                      {{QStringLiteral("k"), key}})
            .toLongLong();
    }

    // A chosen discipline copied from the first one of the database, without its stream.
    static void insertChosenDiscipline(Connection& c) {
        const ResultSet like = c.query(
            QStringLiteral("SELECT id_student, id_a_year, id_semester, id_kafedra, id_discipline, "
                           "id_teacher FROM DisciplineForStudent2 ORDER BY "
                           "id_disciplineForStudent2"));
        ASSERT_GT(like.rowCount(), 0);
        Params values;
        for (int column = 0; column < like.columnCount(); ++column) {
            values.push_back({QStringLiteral("v%1").arg(column), like.at(0, column)});
        }
        EXPECT_EQ(c.execute(QStringLiteral("INSERT INTO DisciplineForStudent2 (id_student, "
                                           "id_a_year, id_semester, id_kafedra, id_discipline, "
                                           "id_teacher, subgroup) VALUES (:v0, :v1, :v2, :v3, "
                                           ":v4, :v5, NULL)"),
                            values),
                  1);
    }

    static QString errorOf(const std::function<void()>& run) {
        try {
            run();
        } catch (const Error& e) {
            return e.text();
        }
        return QStringLiteral("<no error>");
    }

    static QTemporaryDir* folder_;
    static QString* databaseFile_;
    static OdbcRun* odbcRun_;
};

QTemporaryDir* ServerTransaction::folder_ = nullptr;
QString* ServerTransaction::databaseFile_ = nullptr;
OdbcRun* ServerTransaction::odbcRun_ = nullptr;

const QString kElectiveRows = QStringLiteral(
    "SELECT id_disciplineForStudent, ZEV_user FROM DisciplineForStudent "
    "ORDER BY id_disciplineForStudent");

TEST_F(ServerTransaction, RollbackUndoesEveryStatementAndItsHistoryAndCommitKeepsThem) {
    auto c = connect();
    const ResultSet electives = c->query(kElectiveRows);
    ASSERT_GE(electives.rowCount(), 2);
    const Value& changedRow = electives.at(0, 0);
    const QString user = valueText(electives.at(0, 1));
    const Value& deletedRow = electives.at(1, 0);
    const QString chosen = QStringLiteral("SELECT COUNT(*) FROM DisciplineForStudent2");
    const qint64 chosenBefore = scalar(*c, chosen).toLongLong();
    const qint64 historyBefore = historyRows(*c);

    c->beginTransaction();
    EXPECT_TRUE(c->inTransaction());
    insertChosenDiscipline(*c);
    EXPECT_EQ(c->execute(QStringLiteral("UPDATE DisciplineForStudent SET ZEV_user = 'txn' WHERE "
                                        "id_disciplineForStudent = :id"),
                         {{QStringLiteral("id"), changedRow}}),
              1);
    EXPECT_EQ(
        c->execute(
            QStringLiteral("DELETE FROM DisciplineForStudent WHERE id_disciplineForStudent = :id"),
            {{QStringLiteral("id"), deletedRow}}),
        1);
    // The transaction sees its own work, history included.
    EXPECT_EQ(scalar(*c, chosen).toLongLong(), chosenBefore + 1);
    EXPECT_GT(historyRows(*c), historyBefore + 2);
    c->rollbackTransaction();
    EXPECT_FALSE(c->inTransaction());

    EXPECT_EQ(scalar(*c, chosen).toLongLong(), chosenBefore);
    const ResultSet after = c->query(kElectiveRows);
    ASSERT_GE(after.rowCount(), 2);
    EXPECT_EQ(valueText(after.at(0, 1)), user);
    EXPECT_EQ(valueText(after.at(1, 0)), valueText(deletedRow));
    EXPECT_EQ(historyRows(*c), historyBefore);

    c->beginTransaction();
    insertChosenDiscipline(*c);
    c->commitTransaction();
    EXPECT_FALSE(c->inTransaction());
    // Committed: kept, for this connection and for a new one, with its history.
    EXPECT_EQ(scalar(*c, chosen).toLongLong(), chosenBefore + 1);
    auto other = connect();
    EXPECT_EQ(scalar(*other, chosen).toLongLong(), chosenBefore + 1);
    EXPECT_GT(historyRows(*other), historyBefore);
}

TEST_F(ServerTransaction, ScopeRollsBackWhenLeftWithoutCommitAndKeepsWhatItCommits) {
    auto c = connect();
    Value rolledBack;
    EXPECT_THROW(
        {
            TransactionScope scope(*c);
            rolledBack = insertDebt(*c);
            throw std::runtime_error("the unit of work gives up");
        },
        std::runtime_error);
    EXPECT_FALSE(c->inTransaction());
    EXPECT_EQ(debtsWithKey(*c, rolledBack), 0);

    Value committed;
    {
        TransactionScope scope(*c);
        committed = insertDebt(*c);
        scope.commit();
    }
    EXPECT_EQ(debtsWithKey(*c, committed), 1);
    EXPECT_EQ(debtsWithKey(*connect(), committed), 1);

    Value given;
    {
        TransactionScope scope(*c);
        given = insertDebt(*c);
        scope.rollback();
        EXPECT_FALSE(c->inTransaction());
        EXPECT_EQ(debtsWithKey(*c, given), 0);
        // Left after its rollback, the scope sends nothing more.
        c->beginTransaction();
    }
    EXPECT_TRUE(c->inTransaction());
    c->rollbackTransaction();
}

TEST_F(ServerTransaction, ScopeLeftAfterTheConnectionWasLostDoesNotThrow) {
    auto c = connect();
    Value debt;
    EXPECT_NO_THROW({
        TransactionScope scope(*c);
        debt = insertDebt(*c);
        // The server goes away (over TDS) or the connection is closed under the scope.
        if (odbcRun_->server()) {
            odbcRun_->server()->dropConnections();
        } else {
            c->close();
        }
    });
    EXPECT_FALSE(c->inTransaction());
    // The delete waits for the write lock until the server has ended the lost session.
    EXPECT_EQ(connect()->execute(QStringLiteral("DELETE FROM Debts WHERE id_debts = :k"),
                                 {{QStringLiteral("k"), debt}}),
              0);
}

TEST_F(ServerTransaction, FailingStatementUndoesOnlyItselfUntilTheClientRollsBack) {
    auto c = connect();
    c->beginTransaction();
    const Value debt = insertDebt(*c);
    // A constraint: the chosen discipline without its semester.
    EXPECT_NE(errorOf([&] {
                  c->execute(QStringLiteral(
                      "INSERT INTO DisciplineForStudent2 (id_student, id_a_year) VALUES (1, 1)"));
              }),
              QStringLiteral("<no error>"));
    EXPECT_EQ(debtsWithKey(*c, debt), 1);
    // The transaction goes on after the failure and still commits nothing by itself.
    const Value second = insertDebt(*c);
    EXPECT_EQ(debtsWithKey(*connect(), debt), 0);
    c->rollbackTransaction();
    EXPECT_EQ(debtsWithKey(*c, debt), 0);
    EXPECT_EQ(debtsWithKey(*c, second), 0);
}

TEST_F(ServerTransaction, RollbackAfterTheStreamCapacityRefusalUndoesTheTakenPlace) {
    auto c = connect();
    // A stream with places in it, limited to one place more than it holds.
    const ResultSet s = c->query(QStringLiteral(
        "SELECT d.id_discipline, d.id_teacher, d.id_a_year, m.id_w_s, d.subgroup, "
        "MIN(d.id_semester), COUNT(*) FROM DisciplineForStudent AS d INNER JOIN Semester AS m "
        "ON m.id_semester = d.id_semester WHERE d.subgroup IS NOT NULL "
        "GROUP BY d.id_discipline, d.id_teacher, d.id_a_year, m.id_w_s, d.subgroup "
        "ORDER BY COUNT(*) DESC"));
    ASSERT_GT(s.rowCount(), 0);
    std::vector<Value> stream;
    stream.reserve(7);
    for (int column = 0; column < 7; ++column) {
        stream.push_back(s.at(0, column));
    }
    const qint64 taken = valueText(stream[6]).toLongLong();
    ASSERT_EQ(
        runOnDatabaseFile(*databaseFile_,
                          QStringLiteral("UPDATE RRNKkrdt SET capacity = %1 WHERE "
                                         "id_discipline = %2 AND id_teacher = %3 AND "
                                         "id_a_year = %4 AND id_w_s = %5 AND subgroup = %6")
                              .arg(taken + 1)
                              .arg(valueText(stream[0]), valueText(stream[1]), valueText(stream[2]),
                                   valueText(stream[3]), valueText(stream[4]))),
        QString());
    const ResultSet free = c->query(QStringLiteral(
        "SELECT id_disciplineForStudent FROM DisciplineForStudent WHERE subgroup IS NULL "
        "ORDER BY id_disciplineForStudent"));
    ASSERT_GE(free.rowCount(), 2);
    const QString take = QStringLiteral(
        "UPDATE DisciplineForStudent SET id_discipline = :d, id_teacher = :t, id_a_year = :y, "
        "id_semester = :s, subgroup = :n WHERE id_disciplineForStudent = :id");
    const auto params = [&](const Value& place) {
        return Params{{QStringLiteral("d"), stream[0]}, {QStringLiteral("t"), stream[1]},
                      {QStringLiteral("y"), stream[2]}, {QStringLiteral("s"), stream[5]},
                      {QStringLiteral("n"), stream[4]}, {QStringLiteral("id"), place}};
    };
    const QString streamOf = QStringLiteral(
        "SELECT subgroup FROM DisciplineForStudent WHERE id_disciplineForStudent = :id");

    c->beginTransaction();
    EXPECT_EQ(c->execute(take, params(free.at(0, 0))), 1);
    EXPECT_EQ(errorOf([&] { c->execute(take, params(free.at(1, 0))); }),
              QStringLiteral("Поток заполнен: все места в нём заняты. Выберите другой поток."));
    EXPECT_EQ(scalar(*c, streamOf, {{QStringLiteral("id"), free.at(0, 0)}}), valueText(stream[4]));
    EXPECT_EQ(scalar(*c, streamOf, {{QStringLiteral("id"), free.at(1, 0)}}), QString());
    EXPECT_EQ(errorOf([&] { c->rollbackTransaction(); }), QStringLiteral("<no error>"));
    EXPECT_EQ(scalar(*c, streamOf, {{QStringLiteral("id"), free.at(0, 0)}}), QString());
    // The place the rollback gave back can be taken again.
    EXPECT_EQ(c->execute(take, params(free.at(1, 0))), 1);
}

TEST_F(ServerTransaction, RollbackDoesNotFailWhenTheServerAlreadyEndedTheTransaction) {
    auto c = connect();
    c->beginTransaction();
    const Value debt = insertDebt(*c);
    // As a trigger that throws on SQL Server: the transaction ends without the client's word.
    c->execute(QStringLiteral("COMMIT TRANSACTION"));
    EXPECT_TRUE(c->inTransaction());
    EXPECT_EQ(errorOf([&] { c->rollbackTransaction(); }), QStringLiteral("<no error>"));
    EXPECT_FALSE(c->inTransaction());
    EXPECT_EQ(debtsWithKey(*c, debt), 1);
}

TEST_F(ServerTransaction, AfterTheServerEndedTheTransactionOnAnErrorNothingMoreRunsUntilRollback) {
    auto c = connect();
    const QString lost = QStringLiteral(
        "The server ended the transaction when a statement in it failed and undid what it had "
        "written; nothing more runs in it. Roll the transaction back and start again.");
    const QString missingSemester =
        QStringLiteral("INSERT INTO DisciplineForStudent2 (id_student, id_a_year) VALUES (1, 1)");
    for (const bool byCommit : {false, true}) {
        c->beginTransaction();
        // As SQL Server when a trigger throws: the transaction ends without the client's word
        // and the failing statement's error is what the client hears.
        c->execute(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
        const QString failure = errorOf([&] { c->execute(missingSemester); });
        EXPECT_NE(failure, QStringLiteral("<no error>"));
        EXPECT_NE(failure, lost);
        // A statement now would run outside any transaction: refused, reads and writes alike.
        const qint64 debts =
            scalar(*connect(), QStringLiteral("SELECT COUNT(*) FROM Debts")).toLongLong();
        EXPECT_EQ(errorOf([&] { insertDebt(*c); }), lost);
        EXPECT_EQ(errorOf([&] { c->query(QStringLiteral("SELECT COUNT(*) FROM Debts")); }), lost);
        EXPECT_EQ(scalar(*connect(), QStringLiteral("SELECT COUNT(*) FROM Debts")).toLongLong(),
                  debts);
        EXPECT_TRUE(c->inTransaction());
        if (byCommit) {
            // The commit says that nothing was saved, and ends the transaction all the same.
            EXPECT_EQ(errorOf([&] { c->commitTransaction(); }), lost);
        } else {
            EXPECT_EQ(errorOf([&] { c->rollbackTransaction(); }), QStringLiteral("<no error>"));
        }
        EXPECT_FALSE(c->inTransaction());
        EXPECT_EQ(debtsWithKey(*c, insertDebt(*c)), 1);
    }
}

TEST_F(ServerTransaction, CommitWithoutBeginIsTheServersErrorAndBeginDoesNotNest) {
    auto c = connect();
    EXPECT_EQ(
        errorOf([&] { c->commitTransaction(); }),
        QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."));
    EXPECT_FALSE(c->inTransaction());
    // Nothing to roll back is no error.
    EXPECT_EQ(errorOf([&] { c->rollbackTransaction(); }), QStringLiteral("<no error>"));

    c->beginTransaction();
    EXPECT_EQ(errorOf([&] { c->beginTransaction(); }),
              QStringLiteral("A transaction is already open on this connection."));
    EXPECT_TRUE(c->inTransaction());
    c->rollbackTransaction();
    EXPECT_EQ(
        errorOf([&] { c->commitTransaction(); }),
        QStringLiteral("The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."));
}

TEST_F(ServerTransaction, AnotherConnectionSeesTheRowsOnlyAfterTheCommit) {
    auto writer = connect();
    auto reader = connect();
    const QString count = QStringLiteral("SELECT COUNT(*) FROM Debts");
    const qint64 before = scalar(*reader, count).toLongLong();

    writer->beginTransaction();
    const Value debt = insertDebt(*writer);
    EXPECT_EQ(scalar(*reader, count).toLongLong(), before);
    EXPECT_EQ(debtsWithKey(*reader, debt), 0);
    writer->commitTransaction();
    EXPECT_EQ(scalar(*reader, count).toLongLong(), before + 1);
    EXPECT_EQ(debtsWithKey(*reader, debt), 1);
}

TEST_F(ServerTransaction, SecondWriterWaitsForTheTransactionAndThenWrites) {
    auto first = connect();
    auto second = connect();
    first->beginTransaction();
    const Value mine = insertDebt(*first);
    Value theirs;
    QString theirError = QStringLiteral("<no error>");
    std::thread other([&] {
        try {
            theirs = insertDebt(*second);
        } catch (const Error& e) {
            theirError = e.text();
        }
    });
    first->commitTransaction();
    other.join();
    EXPECT_EQ(theirError, QStringLiteral("<no error>"));
    EXPECT_EQ(debtsWithKey(*second, mine), 1);
    EXPECT_EQ(debtsWithKey(*first, theirs), 1);
}

TEST_F(ServerTransaction, KeptResultsNeverServeRowsOfARolledBackTransaction) {
    auto c = connect();
    const QString semesterDebts =
        QStringLiteral("SELECT id_debts FROM Debts WHERE id_semester = 2 ORDER BY id_debts");
    const int before = c->query(semesterDebts).rowCount();
    c->beginTransaction();
    c->execute(QStringLiteral(
        "INSERT INTO Debts (id_semester, id_student, id_discipline) VALUES (2, 1, 1)"));
    EXPECT_EQ(c->query(semesterDebts).rowCount(), before + 1);
    EXPECT_EQ(c->query(semesterDebts).rowCount(), before + 1);
    c->rollbackTransaction();
    EXPECT_EQ(c->query(semesterDebts).rowCount(), before);
    EXPECT_EQ(c->query(semesterDebts).rowCount(), before);
}

TEST_F(ServerTransaction, ClosingTheConnectionInTheMiddleRollsBack) {
    auto c = connect();
    c->beginTransaction();
    const Value debt = insertDebt(*c);
    c->close();
    EXPECT_FALSE(c->inTransaction());
    // The delete waits for the write lock until the server has ended the closed connection's
    // session, and then finds nothing to delete.
    auto other = connect();
    EXPECT_EQ(other->execute(QStringLiteral("DELETE FROM Debts WHERE id_debts = :k"),
                             {{QStringLiteral("k"), debt}}),
              0);
    // Opened again, the same connection works as before.
    c->open();
    EXPECT_EQ(debtsWithKey(*c, debt), 0);
}

}  // namespace
}  // namespace zev::testing
