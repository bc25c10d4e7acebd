#pragma once

#include "core/ConnectionSettings.h"
#include "core/ResultSet.h"
#include "core/RowSink.h"
#include "core/Value.h"
#include "data/DriverRegistry.h"

#include <QHash>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace zev {

// A value bound to a ":name" marker of a statement.
struct NamedValue {
    QString name;
    Value value;
};
using Params = std::vector<NamedValue>;

// The server-specific half of a connection. It receives statements whose parameter markers
// have been replaced by "?" (in marker order) together with the values for them, in that order.
class ConnectionDriver {
public:
    virtual ~ConnectionDriver() = default;
    virtual ResultSet query(const QString& sql, const std::vector<Value>& args) = 0;
    virtual qint64 execute(const QString& sql, const std::vector<Value>& args) = 0;

    // Runs a statement and hands its result to the sink while reading it (RowSink tells the
    // order of calls). A driver that can read cells one by one overrides this, so that the rows
    // reach a dataset's column store without a snapshot in between; the default runs query()
    // and replays its snapshot.
    virtual void queryInto(const QString& sql, const std::vector<Value>& args, RowSink& sink) {
        replayResult(query(sql, args), sink);
    }
};

// True when a Data Source names an embedded database file rather than a SQL Server host:
// a name ending in ".sqlite" (any letter case).
bool isEmbeddedDataSource(const QString& dataSource);

// A statement with its ":name" markers found. String literals, bracketed names, quoted names and
// comments are skipped as the server's tokenizer reads them (block comments nest); a marker is
// ':' followed by letters, digits, '_' or '@'.
struct BoundStatement {
    QString sql;                 // the statement with each marker replaced by '?'
    std::vector<QString> names;  // marker names in order of appearance (a name may repeat)
};
BoundStatement bindMarkers(const QString& sql);

// True when the statement begins (after blanks and comments) with UPDATE or DELETE.
bool changesExistingRows(const QString& sql);

// The database connection (ADOCon): opened with connection settings, given as a value or as a
// connection string in the form that ComposeConnectionString produces; the Data Source chooses
// the driver among those registered (DriverRegistry.h).
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The settings the next open uses; the text form is parsed into them.
    void setSettings(const ConnectionSettings& settings);
    const ConnectionSettings& settings() const { return settings_; }
    void setConnectionString(const QString& connectionString);
    const QString& connectionString() const { return connectionString_; }

    // Folder against which a relative database file name is resolved (the settings file's folder).
    void setBaseFolder(const QString& folder) { baseFolder_ = folder; }
    const QString& baseFolder() const { return baseFolder_; }

    // Opens with the current connection string; throws DatabaseError with the driver's text.
    void open();
    void close();
    bool isOpen() const { return driver_ != nullptr; }

    // Runs a statement and returns its result. Every marker name must have a value in params;
    // a missing one is an error that names it.
    ResultSet query(const QString& sql, const Params& params = {});
    // Runs a statement and hands its result to the sink as the driver reads it.
    void query(const QString& sql, const Params& params, RowSink& sink);
    // Runs a statement that returns no rows; answers the number of rows affected. An UPDATE or
    // DELETE whose count the server did not report fails with a DatabaseError.
    qint64 execute(const QString& sql, const Params& params = {});

    // The client's explicit transaction, in plain T-SQL on every driver, each statement one
    // request as any other: "BEGIN TRANSACTION", "COMMIT TRANSACTION" and, for the rollback,
    // "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION" (on SQL Server an error thrown in a trigger
    // already ends the transaction, so the rollback must not fail when there is none). The
    // statements in between run under the transaction; a statement that fails undoes only
    // itself on the embedded server and may end the whole transaction on SQL Server, so after
    // any failure the caller rolls back. TransactionScope.h does that by itself.
    // beginTransaction throws when a transaction of this connection is already open: the
    // transactions do not nest. commitTransaction and rollbackTransaction end it, also when
    // they fail; commitTransaction without an open transaction gets the server's error.
    // When a statement fails inside the transaction the connection asks the server whether the
    // transaction is still open; when it is not (SQL Server after a trigger's error), every
    // further statement and the commit are refused until rollbackTransaction: they would run
    // outside any transaction and be kept while the work before them was undone.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    bool inTransaction() const { return inTransaction_; }

    // Lets tests and tools put a driver of their own in place of the chosen one.
    void openWithDriver(std::unique_ptr<ConnectionDriver> driver);

private:
    ConnectionDriver& requireOpen();
    // After a statement failed inside the transaction: notes whether the server ended it.
    void checkTransactionAfterFailure();
    // The statement's markers, found once per statement text and kept.
    const BoundStatement& bound(const QString& sql);

    ConnectionSettings settings_;
    QString connectionString_;
    QString baseFolder_;
    std::unique_ptr<ConnectionDriver> driver_;
    QHash<QString, BoundStatement> boundStatements_;
    bool inTransaction_ = false;
    bool transactionLost_ = false;  // the server ended the transaction after an error
};

}  // namespace zev
