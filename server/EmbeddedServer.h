#pragma once

#include "core/ResultSet.h"
#include "core/RowSink.h"
#include "core/Value.h"

#include <QString>

#include <memory>
#include <vector>

namespace zev::server {

class Database;
struct Translation;

// One connection to the embedded ZEV server: a ZEV database file opened under one of its
// database accounts. Statements are T-SQL of the subset that the client sends, with "?" markers
// whose values come positionally. Every statement and every procedure call is atomic.
// BEGIN TRANSACTION ... COMMIT TRANSACTION groups statements into one transaction, as on SQL
// Server (nested BEGINs count up, the last COMMIT commits, ROLLBACK undoes everything); inside
// it each statement stays atomic on its own, and other connections see nothing of it before
// the commit. Closing the session rolls an open transaction back.
// Errors are zev::DatabaseError with SQL Server's wording where it has one.
class Session {
public:
    // Opens the file and checks the account ("Login failed for user 'x'." when it does not match).
    // A missing file, a file that is not a ZEV database: a clear DatabaseError. A file that
    // cannot be written opens read-only, and every write then fails clearly.
    static std::unique_ptr<Session> open(const QString& databaseFile, const QString& user,
                                         const QString& password);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs a statement and answers its rows (an empty result for a statement without rows).
    ResultSet query(const QString& tsql, const std::vector<Value>& args);
    // Runs a statement and hands its rows to the sink as they are read. Results of reading
    // statements are kept and handed out again until the database changes (ResultCache).
    void query(const QString& tsql, const std::vector<Value>& args, RowSink& sink);
    // Runs a statement and answers the number of rows it changed.
    qint64 execute(const QString& tsql, const std::vector<Value>& args);

    // Runs a statement and answers its rows (none for a statement without rows); *changed gets
    // the number of rows it changed, and stays as it is for a statement that changes none of its
    // own (a SELECT, a procedure call, a SET option).
    ResultSet statement(const QString& tsql, const std::vector<Value>& args, qint64* changed);

    // Drops every kept result, so that the next reading statement runs on SQLite (benchmarks of
    // the first reading).
    void forgetKeptResults();

    // Whether the client's transaction is open: its @@TRANCOUNT is above zero and SQLite has
    // not ended it on its own.
    bool inTransaction() const;
    // How the last transaction ended: by its COMMIT, or else rolled back.
    bool lastTransactionCommitted() const { return committed_; }

    const QString& user() const { return user_; }
    bool signInOnly() const { return signInOnly_; }

private:
    Session(std::unique_ptr<Database> db, QString user, bool signInOnly);
    std::shared_ptr<const Translation> translation(const QString& tsql);
    void run(const QString& tsql, const std::vector<Value>& args, RowSink& sink, qint64* changed);
    void runProcedure(const Translation& t, const std::vector<Value>& args, RowSink& sink);
    // Serves a reading statement from the result cache, or runs it and keeps its result.
    template <typename Run>
    void cached(const QString& key, RowSink& sink, Run&& run);
    void checkPermission(const Translation& t) const;
    void runTransactionStatement(const Translation& t);
    // Runs a statement that writes as a unit of its own inside the client's transaction.
    template <typename Write>
    void atomically(Write&& write);
    void setSessionContext(const Translation& t, const std::vector<Value>& args);
    // Whether the database holds a table or view of that name: one that does not is reported
    // as such by SQLite, not as a refusal.
    bool exists(const QString& table) const;

    std::unique_ptr<Database> db_;
    QString user_;
    bool signInOnly_ = false;
    int tranCount_ = 0;  // SQL Server's @@TRANCOUNT
    bool committed_ = false;
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

}  // namespace zev::server
