#include "server/engine/Database.h"

#include "core/Errors.h"
#include "server/engine/NameSearch.h"
#include "server/engine/SqlFunctions.h"
#include "server/engine/StoredText.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cmath>
#include <optional>
#include <string>

namespace zev::server {

namespace {

QString sqliteText(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

ColumnType declaredType(const char* decl) {
    if (!decl) {
        return ColumnType::Unknown;
    }
    const QString type = QString::fromLatin1(decl).toUpper();
    if (type.contains(u"INT")) {
        return ColumnType::Integer;
    }
    if (type.contains(u"CHAR") || type.contains(u"TEXT") || type.contains(u"CLOB")) {
        return ColumnType::Text;
    }
    if (type.contains(u"REAL") || type.contains(u"FLOA") || type.contains(u"DOUB")) {
        return ColumnType::Float;
    }
    return ColumnType::Unknown;
}

}  // namespace

Value columnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            return static_cast<std::int64_t>(sqlite3_column_int64(stmt, column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(stmt, column);
        case SQLITE_NULL:
            return std::monostate{};
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            return storedText(text, sqlite3_column_bytes(stmt, column));
        }
    }
}

Database::Database(const QString& file, Mode mode) : file_(file) {
    const QByteArray path = file.toUtf8();
    if (mode == Mode::ReadWrite) {
        const QFileInfo info(file);
        if (!info.exists()) {
            throw DatabaseError(
                QStringLiteral("Cannot open database file \"%1\": the file does not exist.")
                    .arg(file));
        }
        if (!info.isFile()) {
            throw DatabaseError(
                QStringLiteral("Cannot open database file \"%1\": it is not a file.").arg(file));
        }
        // A file without any write permission is read-only even for a user who could write it
        // anyway (root): the administrator marked it so.
        const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup |
                               QFileDevice::WriteOther;  // mode bits
        readOnly_ = !info.isWritable() || (info.permissions() & writeBits) == 0;
    }
    int flags = SQLITE_OPEN_NOMUTEX;
    if (mode == Mode::CreateNew) {
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    } else {
        flags |= readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    }
    const int rc = sqlite3_open_v2(path.constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason =
            db_ ? sqliteText(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        throw DatabaseError(
            QStringLiteral("Cannot open database file \"%1\": %2").arg(file, reason));
    }
    try {
        configure();
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database() {
    for (const Prepared& p : std::as_const(statements_)) {
        sqlite3_finalize(p.stmt);
    }
    sqlite3_finalize(dataVersion_);
    sqlite3_close(db_);
}

void Database::configure() {
    // A double-quoted name that names no column must be an error, never a text literal.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    // A writer waits this long for another writer to finish; readers never wait (WAL).
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    registerExtensions(db_, &identity_);
    // Write-ahead log: readers go on while one connection writes, and a commit costs one sync of
    // the log. synchronous=FULL syncs it at every commit, so that a committed post survives a
    // power cut. A read-only file keeps whatever journal it has.
    const char* settings = readOnly_ ? "PRAGMA foreign_keys = ON"
                                     : "PRAGMA foreign_keys = ON; PRAGMA journal_mode = WAL; "
                                       "PRAGMA synchronous = FULL";
    const int rc = sqlite3_exec(db_, settings, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        raise(rc);
    }
}

Database::Prepared& Database::prepared(const QString& sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end()) {
        sqlite3_reset(found->stmt);
        sqlite3_clear_bindings(found->stmt);
        return *found;
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, text.constData(), static_cast<int>(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        raise(rc);
    }
    if (!stmt) {
        throw DatabaseError(QStringLiteral("The statement is empty."));
    }
    if (statements_.size() > 400) {  // a runaway of composed statements must not pile up
        for (const Prepared& old : std::as_const(statements_)) {
            sqlite3_finalize(old.stmt);
        }
        statements_.clear();
    }
    Prepared made;
    made.stmt = stmt;
    return *statements_.insert(sql, made);
}

sqlite3_stmt* Database::prepare(const QString& sql) {
    return prepared(sql).stmt;
}

std::uint64_t Database::changeCount() {
    // PRAGMA data_version moves with other connections' commits, the total of changes with this
    // connection's own; together they move with every change of the file.
    if (!dataVersion_) {
        const int rc = sqlite3_prepare_v3(db_, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT,
                                          &dataVersion_, nullptr);
        if (rc != SQLITE_OK) {
            raise(rc);
        }
    }
    std::uint64_t version = 0;
    if (sqlite3_step(dataVersion_) == SQLITE_ROW) {
        version = static_cast<std::uint64_t>(sqlite3_column_int64(dataVersion_, 0));
    }
    sqlite3_reset(dataVersion_);
    return (version << 40) ^ static_cast<std::uint64_t>(sqlite3_total_changes64(db_));
}

void Database::registerExtensions(sqlite3* db, const SessionIdentity* identity) {
    registerSqlFunctions(db);
    registerNameFolding(db);
    registerSessionIdentity(db, identity);
}

int Database::schemaVersion() {
    const ResultSet version = query(QStringLiteral("PRAGMA user_version"));
    return static_cast<int>(std::get<std::int64_t>(version.at(0, 0)));
}

void Database::bind(sqlite3_stmt* stmt, const std::vector<Value>& args) {
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != static_cast<int>(args.size())) {
        throw DatabaseError(QStringLiteral("The statement has %1 parameter markers, but %2 values "
                                           "were supplied.")
                                .arg(expected)
                                .arg(args.size()));
    }
    for (int i = 0; i < expected; ++i) {
        const Value& v = args[static_cast<size_t>(i)];
        int rc = SQLITE_OK;
        switch (v.index()) {
            case 1:
                rc = sqlite3_bind_int64(stmt, i + 1, std::get<std::int64_t>(v));
                break;
            case 2:
                rc = sqlite3_bind_double(stmt, i + 1, std::get<double>(v));
                break;
            case 3: {
                const QByteArray text = std::get<QString>(v).toUtf8();
                rc = sqlite3_bind_text(stmt, i + 1, text.constData(), static_cast<int>(text.size()),
                                       SQLITE_TRANSIENT);
                break;
            }
            default:
                rc = sqlite3_bind_null(stmt, i + 1);
        }
        if (rc != SQLITE_OK) {
            raise(rc);
        }
    }
}

namespace {

// Resets a statement however its fetch ends, so that a sink that throws leaves it reusable.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() { sqlite3_reset(stmt); }
};

}  // namespace

void Database::queryInto(const QString& sql, const std::vector<Value>& args,
                         const std::vector<ColumnType>& hints, RowSink& sink,
                         const std::vector<ResultColumn>* shape) {
    Prepared& p = prepared(sql);
    sqlite3_stmt* stmt = p.stmt;
    bind(stmt, args);
    const int count = sqlite3_column_count(stmt);
    if (!p.described) {
        // Names and declared types, once per statement: a column without a declared type takes
        // the type its expression implies, or else (Unknown) the type of its values.
        p.columns.resize(static_cast<size_t>(count));
        for (int c = 0; c < count; ++c) {
            ResultColumn& column = p.columns[static_cast<size_t>(c)];
            column.name = sqliteText(sqlite3_column_name(stmt, c));
            column.type = declaredType(sqlite3_column_decltype(stmt, c));
            if (column.type == ColumnType::Unknown && static_cast<size_t>(c) < hints.size()) {
                column.type = hints[static_cast<size_t>(c)];
            }
        }
        p.described = true;
    }
    const ResetOnExit reset{stmt};
    sink.begin(shape ? *shape : p.columns, p.lastRows);
    // Each row is read into these cells and handed over at once; a text is decoded into its
    // column's slot of `decoded`, which lives as long as the row and keeps its room for the next.
    std::vector<RowCell> row(static_cast<size_t>(count));
    std::vector<QString> decoded(static_cast<size_t>(count));
    int rows = 0;
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) {
            break;
        }
        if (rc != SQLITE_ROW) {
            sqlite3_reset(stmt);
            raise(rc);
        }
        for (int c = 0; c < count; ++c) {
            RowCell& cell = row[static_cast<size_t>(c)];
            switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                    cell.kind = RowCell::Kind::Integer;
                    cell.integer = static_cast<std::int64_t>(sqlite3_column_int64(stmt, c));
                    break;
                case SQLITE_FLOAT:
                    cell.kind = RowCell::Kind::Float;
                    cell.real = sqlite3_column_double(stmt, c);
                    break;
                case SQLITE_NULL:
                    cell.kind = RowCell::Kind::Null;
                    break;
                default: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                    const int size = sqlite3_column_bytes(stmt, c);
                    // Checked and decoded in one pass, as storedText reads a text.
                    QString& slot = decoded[static_cast<size_t>(c)];
                    readStoredText(text, size, slot);
                    cell.kind = RowCell::Kind::Utf16;
                    cell.utf16 = slot.constData();
                    cell.size = slot.size();
                }
            }
        }
        sink.addRow(row.data(), count);
        ++rows;
    }
    p.lastRows = rows;
    sink.end();
}

ResultSet Database::query(const QString& sql, const std::vector<Value>& args,
                          const std::vector<ColumnType>& hints) {
    ResultSetSink sink;
    queryInto(sql, args, hints, sink);
    return sink.take();
}

qint64 Database::execute(const QString& sql, const std::vector<Value>& args) {
    sqlite3_stmt* stmt = prepare(sql);
    bind(stmt, args);
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) {
        raise(rc);
    }
    return sqlite3_changes64(db_);
}

void Database::script(const QString& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString text = sqliteText(error);
        sqlite3_free(error);
        throw DatabaseError(text);
    }
}

void Database::checkStillInPlace() const {
    int moved = 0;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved) {
        throw DatabaseError(
            QStringLiteral("The database file \"%1\" was deleted or moved while it was open; "
                           "nothing was written.")
                .arg(file_));
    }
}

void Database::raise(int result) const {
    const QString message = sqliteText(sqlite3_errmsg(db_));
    // The extended code tells which constraint failed and why a write was refused.
    const int extended = sqlite3_extended_errcode(db_);
    const int code = (extended & 0xff) == (result & 0xff) ? extended : result;
    const int primary = code & 0xff;
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:main\\.)?(.+)$"));
    static const QRegularExpression noColumn(QStringLiteral("^no such column: (.+)$"));
    static const QRegularExpression ambiguous(QStringLiteral("^ambiguous column name: (.+)$"));
    static const QRegularExpression noFunction(QStringLiteral("^no such function: (.+)$"));
    if (code == SQLITE_READONLY_DBMOVED) {
        throw DatabaseError(
            QStringLiteral("The database file \"%1\" was deleted or moved while it was open; "
                           "nothing was written.")
                .arg(file_));
    }
    if (primary == SQLITE_READONLY) {
        throw DatabaseError(QStringLiteral("The database \"%1\" is read-only; nothing was written.")
                                .arg(QFileInfo(file_).fileName()));
    }
    if (primary == SQLITE_NOTADB) {
        // A database file starts with SQLite's mark; with it the file is a damaged database,
        // without it a file of another kind.
        QFile file(file_);
        const bool marked =
            file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
        throw DatabaseError(marked
                                ? QStringLiteral("The database file \"%1\" is damaged.").arg(file_)
                                : QStringLiteral("The file \"%1\" is not a ZEV database: it "
                                                 "is not a database file at all.")
                                      .arg(file_));
    }
    if (primary == SQLITE_CORRUPT) {
        throw DatabaseError(QStringLiteral("The database file \"%1\" is damaged.").arg(file_));
    }
    if (primary == SQLITE_CANTOPEN) {
        throw DatabaseError(
            QStringLiteral("Cannot open database file \"%1\": the file does not exist or cannot "
                           "be reached.")
                .arg(file_));
    }
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        throw DatabaseError(
            QStringLiteral("Lock request time out period exceeded: another user is "
                           "writing to the database. Try again in a moment."));
    }
    if (primary == SQLITE_ERROR && (message == u"parser stack overflow" ||
                                    message.startsWith(u"Expression tree is too large"))) {
        throw DatabaseError(
            QStringLiteral("Some part of your SQL statement is nested too deeply. Rewrite the "
                           "query or break it up into smaller queries."));
    }
    static const QRegularExpression constrained(
        QStringLiteral("^(?:NOT NULL|UNIQUE|CHECK) constraint failed: (?:([^.,]+)\\.)?([^,]+)"));
    const auto failed = constrained.match(message);
    const QString table = failed.captured(1);
    const QString column = failed.captured(2);
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY) {
        throw DatabaseError(
            QStringLiteral("The statement conflicted with a FOREIGN KEY constraint. The conflict "
                           "occurred in database 'ZEV'. The statement has been terminated."));
    }
    if (code == SQLITE_CONSTRAINT_NOTNULL) {
        throw DatabaseError(QStringLiteral("Cannot insert the value NULL into column '%1', table "
                                           "'ZEV.dbo.%2'; column does not allow nulls. The "
                                           "statement has been terminated.")
                                .arg(column, table));
    }
    if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE) {
        throw DatabaseError(QStringLiteral("Violation of %1 constraint on '%2'. Cannot insert "
                                           "duplicate key in object 'dbo.%3'. The statement has "
                                           "been terminated.")
                                .arg(code == SQLITE_CONSTRAINT_PRIMARYKEY
                                         ? QStringLiteral("PRIMARY KEY")
                                         : QStringLiteral("UNIQUE KEY"),
                                     message.section(u':', 1).trimmed(), table));
    }
    static const QRegularExpression intRange(QStringLiteral(
        "^CHECK constraint failed: \"?([^\" ]+)\"? BETWEEN -2147483648 AND 2147483647$"));
    if (const auto range = intRange.match(message);
        code == SQLITE_CONSTRAINT_CHECK && range.hasMatch()) {
        throw DatabaseError(QStringLiteral("Arithmetic overflow error converting expression to "
                                           "data type int: the value for column '%1' is not an "
                                           "int. The statement has been terminated.")
                                .arg(range.captured(1)));
    }
    if (code == SQLITE_CONSTRAINT_CHECK) {
        throw DatabaseError(QStringLiteral("The statement conflicted with the CHECK constraint "
                                           "\"%1\". The conflict occurred in database 'ZEV'. The "
                                           "statement has been terminated.")
                                .arg(message.section(u':', 1).trimmed()));
    }
    if (auto m = noTable.match(message); m.hasMatch()) {
        throw DatabaseError(QStringLiteral("Invalid object name '%1'.").arg(m.captured(1)));
    }
    if (auto m = noColumn.match(message); m.hasMatch()) {
        throw DatabaseError(QStringLiteral("Invalid column name '%1'.").arg(m.captured(1)));
    }
    if (auto m = ambiguous.match(message); m.hasMatch()) {
        throw DatabaseError(QStringLiteral("Ambiguous column name '%1'.").arg(m.captured(1)));
    }
    if (auto m = noFunction.match(message); m.hasMatch()) {
        throw DatabaseError(
            QStringLiteral("'%1' is not a recognized built-in function name.").arg(m.captured(1)));
    }
    throw DatabaseError(message);
}

bool Database::inTransaction() const {
    return sqlite3_get_autocommit(db_) == 0;
}

Transaction::Transaction(Database& db) : db_(db), nested_(db.inTransaction()) {
    // Savepoints of nested units may share a name: SQLite releases and rolls back to the
    // innermost one of that name, and the units end innermost first.
    db_.execute(nested_ ? QStringLiteral("SAVEPOINT zev_unit") : QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction() {
    if (!open_) {
        return;
    }
    try {
        if (nested_) {
            db_.execute(QStringLiteral("ROLLBACK TO zev_unit"));
            db_.execute(QStringLiteral("RELEASE zev_unit"));
        } else {
            db_.execute(QStringLiteral("ROLLBACK"));
        }
    } catch (...) {  // SQLite already rolled the whole transaction back (a full disk, I/O)
    }
}

void Transaction::commit() {
    db_.execute(nested_ ? QStringLiteral("RELEASE zev_unit") : QStringLiteral("COMMIT"));
    open_ = false;
}

}  // namespace zev::server
