#include "data/Connection.h"

#include "core/Errors.h"

#include <QRegularExpression>

namespace zev {

bool isEmbeddedDataSource(const QString& dataSource) {
    return dataSourceKind(dataSource) == DataSourceKind::EmbeddedFile;
}

namespace {

bool isMarkerChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'@';
}

// Index just past a closing delimiter, doubled delimiters standing for themselves.
qsizetype skipQuoted(const QString& sql, qsizetype start, QChar close) {
    qsizetype i = start + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (i + 1 < sql.size() && sql[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

}  // namespace

BoundStatement bindMarkers(const QString& sql) {
    BoundStatement bound;
    bound.sql.reserve(sql.size());
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        qsizetype next = i + 1;
        if (c == u'\'') {
            next = skipQuoted(sql, i, u'\'');
        } else if (c == u'"') {
            next = skipQuoted(sql, i, u'"');
        } else if (c == u'[') {
            next = skipQuoted(sql, i, u']');
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            next = sql.indexOf(u'\n', i);
            next = next < 0 ? n : next;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            next = sql.indexOf(QStringLiteral("*/"), i + 2);
            next = next < 0 ? n : next + 2;
        } else if (c == u':' && i + 1 < n && isMarkerChar(sql[i + 1])) {
            qsizetype end = i + 1;
            while (end < n && isMarkerChar(sql[end])) {
                ++end;
            }
            bound.names.push_back(sql.mid(i + 1, end - i - 1));
            bound.sql += u'?';
            i = end;
            continue;
        }
        bound.sql += QStringView(sql).mid(i, next - i);
        i = next;
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
}

void Connection::close() {
    driver_.reset();
}

ConnectionDriver& Connection::requireOpen() {
    if (!driver_) {
        throw DatabaseError(QStringLiteral("Operation is not allowed when the object is closed."));
    }
    return *driver_;
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
    return *boundStatements_.insert(sql, std::move(made));
}

ResultSet Connection::query(const QString& sql, const Params& params) {
    ConnectionDriver& driver = requireOpen();
    const BoundStatement& b = bound(sql);
    return driver.query(b.sql, positionalArgs(b, params));
}

void Connection::query(const QString& sql, const Params& params, RowSink& sink) {
    ConnectionDriver& driver = requireOpen();
    const BoundStatement& b = bound(sql);
    driver.queryInto(b.sql, positionalArgs(b, params), sink);
}

qint64 Connection::execute(const QString& sql, const Params& params) {
    ConnectionDriver& driver = requireOpen();
    const BoundStatement& b = bound(sql);
    const qint64 affected = driver.execute(b.sql, positionalArgs(b, params));
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
    static const QRegularExpression lead(
        QStringLiteral(R"(^(?:\s+|--[^\n]*(?:\n|$)|/\*.*?\*/)*(UPDATE|DELETE)\b)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return lead.match(sql).hasMatch();
}

}  // namespace zev
