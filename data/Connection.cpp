#include "data/Connection.h"

#include "core/Errors.h"
#include "core/Tokenizer.h"

namespace zev {

bool isEmbeddedDataSource(const QString& dataSource) {
    return dataSourceKind(dataSource) == DataSourceKind::EmbeddedFile;
}

namespace {

bool isMarkerChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@';
}

}  // namespace

BoundStatement bindMarkers(const QString& sql) {
    BoundStatement bound;
    bound.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const SqlSpan span = scanSqlSpan(sql, i);
        if (span.kind == SqlSpanKind::Symbol && sql[i] == u':' && i + 1 < n &&
            isMarkerChar(sql[i + 1])) {
            qsizetype end = i + 1;
            while (end < n && isMarkerChar(sql[end])) {
                ++end;
            }
            bound.names.push_back(sql.mid(i + 1, end - i - 1));
            bound.sql += u'?';
            i = end;
            continue;
        }
        bound.sql += QStringView(sql).mid(i, span.length());
        i = span.end;
    }
    return bound;
}

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::setSettings(const ConnectionSettings& settings) {
    settings_ = settings;
    connectionString_.clear();
}

void Connection::setConnectionString(const QString& connectionString) {
    settings_ = parseConnectionString(connectionString);
    connectionString_ = connectionString;
}

void Connection::open() {
    if (driver_) {
        return;
    }
    const DriverOpener open = registeredConnectionDriver(dataSourceKind(settings_.dataSource));
    if (!open) {
        throw DatabaseError(
            QStringLiteral("This program holds no driver for the Data Source \"%1\".")
                .arg(settings_.dataSource));
    }
    driver_ = open(settings_, baseFolder_);
}

void Connection::openWithDriver(std::unique_ptr<ConnectionDriver> driver) {
    driver_ = std::move(driver);
    inTransaction_ = false;
    transactionLost_ = false;
}

void Connection::close() {
    // The server rolls back a transaction left open when its connection ends.
    inTransaction_ = false;
    transactionLost_ = false;
    driver_.reset();
}

namespace {

const QString& transactionLostText() {
    static const QString text = QStringLiteral(
        "The server ended the transaction when a statement in it failed and undid what it had "
        "written; nothing more runs in it. Roll the transaction back and start again.");
    return text;
}

}  // namespace

void Connection::beginTransaction() {
    if (inTransaction_) {
        throw Error(QStringLiteral("A transaction is already open on this connection."));
    }
    execute(QStringLiteral("BEGIN TRANSACTION"));
    inTransaction_ = true;
}

void Connection::commitTransaction() {
    inTransaction_ = false;
    if (transactionLost_) {
        // Nothing is left to commit; the caller must not take the work for saved.
        transactionLost_ = false;
        throw DatabaseError(transactionLostText());
    }
    execute(QStringLiteral("COMMIT TRANSACTION"));
}

void Connection::rollbackTransaction() {
    inTransaction_ = false;
    transactionLost_ = false;
    if (!driver_) {
        return;  // the server rolled back when the connection ended
    }
    execute(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
}

ConnectionDriver& Connection::requireOpen() {
    if (!driver_) {
        throw DatabaseError(QStringLiteral("Operation is not allowed when the object is closed."));
    }
    if (transactionLost_) {
        throw DatabaseError(transactionLostText());
    }
    return *driver_;
}

void Connection::checkTransactionAfterFailure() {
    if (!inTransaction_ || !driver_) {
        return;
    }
    try {
        const ResultSet count = driver_->query(QStringLiteral("SELECT @@TRANCOUNT"), {});
        transactionLost_ =
            count.rowCount() == 1 && count.columnCount() == 1 && valueText(count.at(0, 0)) == u"0";
    } catch (const Error&) {  // the statement's own error is the one the caller hears
    }
}

namespace {

std::vector<Value> positionalArgs(const BoundStatement& bound, const Params& params) {
    std::vector<Value> args;
    args.reserve(bound.names.size());
    for (const QString& name : bound.names) {
        const NamedValue* found = nullptr;
        for (const NamedValue& p : params) {
            if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
                found = &p;
                break;
            }
        }
        if (!found) {
            throw Error(QStringLiteral("Parameter '%1' has no value").arg(name));
        }
        args.push_back(found->value);
    }
    return args;
}

}  // namespace

const BoundStatement& Connection::bound(const QString& sql) {
    auto found = boundStatements_.constFind(sql);
    if (found != boundStatements_.constEnd()) {
        return *found;
    }
    // Composed statements differ by the keys spliced into them; they must not pile up.
    if (boundStatements_.size() >= 500) {
        boundStatements_.clear();
    }
    BoundStatement made = bindMarkers(sql);
    if (made.names.empty()) {
        made.sql = sql;  // shares the caller's text
    }
    return *boundStatements_.insert(sql, made);
}

ResultSet Connection::query(const QString& sql, const Params& params) {
    ConnectionDriver& driver = requireOpen();
    const BoundStatement& b = bound(sql);
    try {
        return driver.query(b.sql, positionalArgs(b, params));
    } catch (const DatabaseError&) {
        checkTransactionAfterFailure();
        throw;
    }
}

void Connection::query(const QString& sql, const Params& params, RowSink& sink) {
    ConnectionDriver& driver = requireOpen();
    const BoundStatement& b = bound(sql);
    try {
        driver.queryInto(b.sql, positionalArgs(b, params), sink);
    } catch (const DatabaseError&) {
        checkTransactionAfterFailure();
        throw;
    }
}

qint64 Connection::execute(const QString& sql, const Params& params) {
    ConnectionDriver& driver = requireOpen();
    const BoundStatement& b = bound(sql);
    qint64 affected = 0;
    try {
        affected = driver.execute(b.sql, positionalArgs(b, params));
    } catch (const DatabaseError&) {
        checkTransactionAfterFailure();
        throw;
    }
    // A server under SET NOCOUNT ON reports no count (-1). For an UPDATE or DELETE the caller
    // would take that for "no conflict" and call the change saved when it may have changed
    // nothing.
    if (affected < 0 && changesExistingRows(sql)) {
        throw DatabaseError(QStringLiteral(
            "The server did not report how many rows the statement changed, so the change cannot "
            "be confirmed as saved. The database account must not run with SET NOCOUNT ON."));
    }
    return affected;
}

bool changesExistingRows(const QString& sql) {
    for (qsizetype i = 0; i < sql.size();) {
        const SqlSpan span = scanSqlSpan(sql, i);
        if (span.kind != SqlSpanKind::Blank && span.kind != SqlSpanKind::Comment) {
            const QStringView word = QStringView(sql).mid(span.start, span.length());
            return span.kind == SqlSpanKind::Word &&
                   (word.compare(u"UPDATE", Qt::CaseInsensitive) == 0 ||
                    word.compare(u"DELETE", Qt::CaseInsensitive) == 0);
        }
        i = span.end;
    }
    return false;
}

}  // namespace zev
