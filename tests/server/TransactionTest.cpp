// The client's transaction statements in the embedded server, one session at a time: what the
// front end accepts, nesting as SQL Server counts it, the errors without a transaction, a
// writing procedure inside a transaction, and the sign-in account, which may run none of them.
#include "DatabaseFile.h"
#include "ServerFixture.h"

#include <QFile>

namespace zev::testing {
namespace {

using namespace Qt::StringLiterals;

class Transactions : public DemoDatabase {
protected:
    static std::int64_t debts(server::Session& s) {
        return integer(s, u"SELECT COUNT(*) FROM Debts"_qs);
    }
    static void addDebt(server::Session& s) {
        EXPECT_EQ(s.execute(u"INSERT INTO Debts (id_semester, id_student, id_discipline) "
                            u"VALUES (1, 1, 1)"_qs,
                            {}),
                  1);
    }
};

TEST_F(Transactions, TheFrontEndTakesTheThreeStatementsAndTheirShortForms) {
    auto s = staff();
    for (const QString& begin : {u"BEGIN TRANSACTION"_qs, u"begin tran;"_qs}) {
        s->execute(begin, {});
        EXPECT_TRUE(s->inTransaction()) << begin.toStdString();
        s->execute(u"COMMIT"_qs, {});
        EXPECT_FALSE(s->inTransaction());
    }
    for (const QString& rollback : {u"ROLLBACK TRANSACTION"_qs, u"rollback"_qs,
                                    u"IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"_qs}) {
        s->execute(u"BEGIN TRANSACTION"_qs, {});
        s->execute(rollback, {});
        EXPECT_FALSE(s->inTransaction()) << rollback.toStdString();
    }
    EXPECT_EQ(errorOf([&] { s->execute(u"BEGIN"_qs, {}); }),
              u"Incorrect syntax near the end of the statement."_qs);
    EXPECT_EQ(errorOf([&] { s->execute(u"IF 1 > 0 ROLLBACK TRANSACTION"_qs, {}); }),
              u"Incorrect syntax near '1'."_qs);
    EXPECT_NE(errorOf([&] { s->execute(u"IF @@TRANCOUNT > 0 DELETE FROM Debts"_qs, {}); }),
              u"<no error>"_qs);
    EXPECT_EQ(errorOf([&] { s->execute(u"COMMIT TRANSACTION x"_qs, {}); }),
              u"Incorrect syntax near 'x'."_qs);
    EXPECT_FALSE(s->inTransaction());
}

TEST_F(Transactions, WithoutATransactionCommitAndRollbackAreTheServersErrors) {
    auto s = staff();
    EXPECT_EQ(errorOf([&] { s->execute(u"COMMIT TRANSACTION"_qs, {}); }),
              u"The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."_qs);
    EXPECT_EQ(errorOf([&] { s->execute(u"ROLLBACK TRANSACTION"_qs, {}); }),
              u"The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."_qs);
    EXPECT_EQ(s->execute(u"IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"_qs, {}), 0);
}

TEST_F(Transactions, NestedBeginsCountAndTheLastCommitCommits) {
    auto s = staff();
    auto other = staff();
    const std::int64_t before = debts(*other);
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    addDebt(*s);
    s->execute(u"COMMIT TRANSACTION"_qs, {});
    EXPECT_TRUE(s->inTransaction());
    EXPECT_EQ(debts(*other), before);
    s->execute(u"COMMIT TRANSACTION"_qs, {});
    EXPECT_FALSE(s->inTransaction());
    EXPECT_EQ(debts(*other), before + 1);

    // A rollback at any depth undoes the whole transaction.
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    addDebt(*s);
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    addDebt(*s);
    s->execute(u"ROLLBACK TRANSACTION"_qs, {});
    EXPECT_FALSE(s->inTransaction());
    EXPECT_EQ(debts(*s), before + 1);
}

TEST_F(Transactions, TranCountTellsTheDepth) {
    auto s = staff();
    const QString depth = u"SELECT @@TRANCOUNT"_qs;
    const ResultSet none = s->query(depth, {});
    ASSERT_EQ(none.rowCount(), 1);
    ASSERT_EQ(none.columnCount(), 1);
    EXPECT_EQ(none.columns[0].name, QString());
    EXPECT_EQ(integer(*s, depth), 0);
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    EXPECT_EQ(integer(*s, u"select @@trancount;"_qs), 1);
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    EXPECT_EQ(integer(*s, depth), 2);
    s->execute(u"ROLLBACK TRANSACTION"_qs, {});
    EXPECT_EQ(integer(*s, depth), 0);
    EXPECT_NE(errorOf([&] { s->query(u"SELECT @@TRANCOUNT + 1"_qs, {}); }), u"<no error>"_qs);
}

TEST_F(Transactions, AWritingProcedureRunsInsideTheTransactionAndGoesWithItsRollback) {
    auto s = staff();
    const QString signInLog = u"SELECT COUNT(*) FROM signin_log"_qs;
    const auto logged = [&] { return readDatabaseValue(made().databaseFile, signInLog); };
    const QString before = logged();
    const QString call =
        u"EXEC GET_USER 'petrov', '00', NULL, 'ZEV 32', '192.168.0.7', 'КАБ-101', 'petrov', "
        u"'0', '4'"_qs;
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    addDebt(*s);
    EXPECT_EQ(errorOf([&] { s->query(call, {}); }), u"<no error>"_qs);
    EXPECT_TRUE(s->inTransaction());
    s->execute(u"ROLLBACK TRANSACTION"_qs, {});
    EXPECT_EQ(logged(), before);

    // Committed, the procedure's writes stay.
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    s->query(call, {});
    s->execute(u"COMMIT TRANSACTION"_qs, {});
    EXPECT_EQ(logged().toInt(), before.toInt() + 1);
}

TEST_F(Transactions, ASessionEndedInTheMiddleLeavesNothingAndOthersWriteOn) {
    auto other = staff();
    const std::int64_t before = debts(*other);
    {
        auto s = staff();
        s->execute(u"BEGIN TRANSACTION"_qs, {});
        addDebt(*s);
    }
    addDebt(*other);
    EXPECT_EQ(debts(*other), before + 1);
}

TEST_F(Transactions, OnAFileNobodyMayWriteATransactionReadsAndItsWritesFailClearly) {
    const QString copy = folder() + u"/readonly-transaction.sqlite"_qs;
    ASSERT_TRUE(QFile::copy(made().databaseFile, copy));
    ASSERT_TRUE(QFile::setPermissions(
        copy, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther));
    auto s = server::Session::open(copy, QString::fromLatin1(server::kStaffUser),
                                   QString::fromLatin1(server::kStaffPassword));
    s->execute(u"BEGIN TRANSACTION"_qs, {});
    const std::int64_t before = debts(*s);
    EXPECT_TRUE(errorOf([&] { addDebt(*s); }).contains(u"read-only"_qs));
    EXPECT_TRUE(s->inTransaction());
    EXPECT_EQ(debts(*s), before);
    s->execute(u"IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"_qs, {});
    EXPECT_FALSE(s->inTransaction());
}

TEST_F(Transactions, TheSignInAccountMayRunNoneOfThem) {
    auto s = signIn();
    EXPECT_EQ(errorOf([&] { s->execute(u"BEGIN TRANSACTION"_qs, {}); }),
              u"The BEGIN TRANSACTION permission was denied: the account 'zev_signin' may only "
              u"run GET_USER."_qs);
    EXPECT_FALSE(s->inTransaction());
}

}  // namespace
}  // namespace zev::testing
