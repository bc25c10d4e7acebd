#include "DatabaseFile.h"

#include "core/Errors.h"
#include "server/engine/Database.h"

#include <sqlite3.h>

#include <memory>

namespace zev::testing {

namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// SQLite hands back a handle even when the open fails, for its error message.
DatabaseHandle open(const QString& databaseFile, int flags) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(databaseFile.toUtf8().constData(), &db, flags, nullptr);
    // The collation of the text columns and the functions the triggers call (the history's
    // among them): without them SQLite cannot compare those columns nor write those tables.
    if (db != nullptr) {
        server::Database::registerExtensions(db);
    }
    return DatabaseHandle(db);
}

QString errorOf(sqlite3* db) {
    return db != nullptr ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

}  // namespace

QString readDatabaseValue(const QString& databaseFile, const QString& sql) {
    const DatabaseHandle db = open(databaseFile, SQLITE_OPEN_READONLY);
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &prepared, nullptr) !=
        SQLITE_OK) {
        return QStringLiteral("<error %1>").arg(errorOf(db.get()));
    }
    const StatementHandle statement(prepared);
    const int step = sqlite3_step(statement.get());
    if (step == SQLITE_DONE) {
        return QStringLiteral("<no row>");
    }
    if (step != SQLITE_ROW) {
        return QStringLiteral("<error %1>").arg(errorOf(db.get()));
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

std::vector<QStringList> readDatabaseRows(const QString& databaseFile, const QString& sql) {
    const DatabaseHandle db = open(databaseFile, SQLITE_OPEN_READONLY);
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &prepared, nullptr) !=
        SQLITE_OK) {
        throw Error(errorOf(db.get()));
    }
    const StatementHandle statement(prepared);
    std::vector<QStringList> rows;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(statement.get()); ++c) {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), c));
            row << (text != nullptr ? QString::fromUtf8(text) : QString());
        }
        rows.push_back(row);
    }
    if (step != SQLITE_DONE) {
        throw Error(errorOf(db.get()));
    }
    return rows;
}

QString runOnDatabaseFile(const QString& databaseFile, const QString& sql) {
    const DatabaseHandle db = open(databaseFile, SQLITE_OPEN_READWRITE);
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK) {
        return {};
    }
    QString message = error != nullptr ? QString::fromUtf8(error) : errorOf(db.get());
    sqlite3_free(error);
    return message;
}

}  // namespace zev::testing
