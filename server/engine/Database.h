#pragma once

#include "core/ResultSet.h"
#include "core/RowSink.h"
#include "core/Value.h"
#include "server/engine/History.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zev::server {

// One SQLite connection to a ZEV database file, with its prepared statements kept for reuse.
// Errors come out as DatabaseError in SQL Server's wording where there is one.
class Database {
public:
    enum class Mode { ReadWrite, CreateNew };

    // Opens an existing file (ReadWrite; a file that cannot be written is opened read-only and
    // every write then fails clearly) or creates an empty one (CreateNew).
    Database(const QString& file, Mode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    bool readOnly() const { return readOnly_; }
    const QString& file() const { return file_; }

    // A prepared statement for the SQLite text, made once and reset before each reuse.
    sqlite3_stmt* prepare(const QString& sql);

    // Binds the values to the statement's markers in order.
    void bind(sqlite3_stmt* stmt, const std::vector<Value>& args);

    // Runs a statement and fetches every row. `hints` gives the type of each column that its
    // declaration does not tell; a column that neither tells takes the type of its values.
    ResultSet query(const QString& sql, const std::vector<Value>& args = {},
                    const std::vector<ColumnType>& hints = {});
    // The same, handing the rows to the sink as SQLite steps through them. `shape`, when given,
    // replaces the result's column names and types (a procedure's declared result).
    void queryInto(const QString& sql, const std::vector<Value>& args,
                   const std::vector<ColumnType>& hints, RowSink& sink,
                   const std::vector<ResultColumn>* shape = nullptr);
    // Runs a statement without a result; answers the rows it changed.
    qint64 execute(const QString& sql, const std::vector<Value>& args = {});
    // Runs one or more statements of plain SQLite text (schema scripts).
    void script(const QString& sql);

    // Throws when the file was deleted or replaced since it was opened: writes would go to a
    // file that nobody will ever open again.
    void checkStillInPlace() const;

    // How long a write waits for another connection's write to end before it fails.
    static constexpr int kBusyTimeoutMs = 10000;

    // The error of the last failed call, in SQL Server's wording where there is one.
    [[noreturn]] void raise(int code) const;

    // The file's change count as this connection sees it: it moves with every commit, this
    // connection's own and any other connection's or process's. Results read at one count stay
    // true while it stays the same.
    std::uint64_t changeCount();

    // Who this connection writes as, read by the history triggers.
    SessionIdentity& identity() { return identity_; }

    // Registers on a connection of the caller's own the functions and the collation that the
    // schema's columns and triggers call (the server registers them on its connections), for
    // a program that reaches the file through SQLite itself, as the tests' administrator does.
    static void registerExtensions(sqlite3* db, const SessionIdentity* identity = nullptr);

    // Whether a transaction is open on this connection (SQLite is out of autocommit mode).
    bool inTransaction() const;

    // The version of the file's objects (SQLite's user_version; see SchemaUpgrade.h).
    int schemaVersion();

private:
    // A prepared statement with the names and types of its result columns, described once.
    struct Prepared {
        sqlite3_stmt* stmt = nullptr;
        bool described = false;
        std::vector<ResultColumn> columns;
        int lastRows = -1;  // rows of the last complete run: the sink's room for the next
    };
    Prepared& prepared(const QString& sql);
    void configure();

    sqlite3* db_ = nullptr;
    QString file_;
    bool readOnly_ = false;
    QHash<QString, Prepared> statements_;
    sqlite3_stmt* dataVersion_ = nullptr;
    SessionIdentity identity_;
};

// A unit of work that is all or nothing. Outside a transaction it is one of its own (BEGIN
// IMMEDIATE ... COMMIT); inside one (the client's explicit transaction) it is a savepoint,
// released on commit and rolled back to otherwise, so that a failing unit undoes only itself and
// leaves the enclosing transaction's earlier work to its owner.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool nested_ = false;
    bool open_ = true;
};

// Converts one SQLite value of a result row.
Value columnValue(sqlite3_stmt* stmt, int column);

}  // namespace zev::server
