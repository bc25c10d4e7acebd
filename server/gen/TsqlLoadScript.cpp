#include "server/gen/TsqlLoadScript.h"

#include "core/Errors.h"
#include "server/engine/Database.h"

#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

#include <sqlite3.h>

namespace zev::server {

namespace {

// Rows per INSERT: SQL Server takes at most 1000 rows in one VALUES list.
constexpr int kRowsPerInsert = 1000;

// Tables that the load script leaves to the database administrator's scripts or to the server
// (student_search is filled by the trigger on s_fio as the students go in; zev_history is
// written by the history triggers alone).
const QStringList kLeftOut = {QStringLiteral("db_account"), QStringLiteral("signin_log"),
                              QStringLiteral("student_search"), QStringLiteral("zev_history")};

QString quotedName(const QString& name) {
    for (const QChar c : name) {
        if (!c.isLetterOrNumber() && c != u'_') {
            return u'[' + name + u']';
        }
    }
    // "group" is a reserved word.
    return name.compare(u"group", Qt::CaseInsensitive) == 0 ? u'[' + name + u']' : name;
}

QString literal(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_NULL:
            return QStringLiteral("NULL");
        case SQLITE_INTEGER:
            return QString::number(sqlite3_column_int64(stmt, column));
        case SQLITE_FLOAT:
            return QString::number(sqlite3_column_double(stmt, column), 'g', 17);
        default:
            return tsqlText(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                  sqlite3_column_bytes(stmt, column)));
    }
}

// The tables in the order they were made, which is the order their foreign keys allow.
QStringList tablesInOrder(Database& db) {
    const ResultSet tables = db.query(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
        "ORDER BY rowid"));
    QStringList names;
    for (int row = 0; row < tables.rowCount(); ++row) {
        const QString name = valueText(tables.at(row, 0));
        if (!kLeftOut.contains(name, Qt::CaseInsensitive)) {
            names << name;
        }
    }
    return names;
}

void writeTable(Database& db, const QString& table, QTextStream& out) {
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = "SELECT * FROM \"" + table.toUtf8() + "\" ORDER BY rowid";
    if (sqlite3_prepare_v2(db.handle(), sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        db.raise(sqlite3_errcode(db.handle()));
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(stmt, sqlite3_finalize);
    const int columns = sqlite3_column_count(stmt);
    QStringList names;
    for (int c = 0; c < columns; ++c) {
        names << quotedName(QString::fromUtf8(sqlite3_column_name(stmt, c)));
    }
    const QString target = QStringLiteral("dbo.") + quotedName(table);
    const QString identity = QStringLiteral(
        "IF OBJECTPROPERTY(OBJECT_ID(N'dbo.%1'), 'TableHasIdentity') = 1 "
        "SET IDENTITY_INSERT %2 %3;\n");
    out << "\n-- " << table << "\n" << identity.arg(table, target, QStringLiteral("ON"));
    const QString head = QStringLiteral("INSERT INTO %1 (%2) VALUES\n")
                             .arg(target, names.join(QStringLiteral(", ")));
    int inBatch = 0;
    int step;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList values;
        for (int c = 0; c < columns; ++c) {
            values << literal(stmt, c);
        }
        out << (inBatch == 0 ? head : QStringLiteral(",\n")) << "    ("
            << values.join(QStringLiteral(", ")) << ')';
        if (++inBatch == kRowsPerInsert) {
            out << ";\n";
            inBatch = 0;
        }
    }
    if (step != SQLITE_DONE) {
        db.raise(step);
    }
    if (inBatch > 0) {
        out << ";\n";
    }
    out << identity.arg(table, target, QStringLiteral("OFF")) << "GO\n";
}

}  // namespace

QString tsqlText(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("N'") + doubled + u'\'';
}

void writeTsqlLoadScript(const QString& databaseFile, const QString& scriptFile) {
    Database db(databaseFile, Database::Mode::ReadWrite);
    QSaveFile file(scriptFile);
    if (!file.open(QIODevice::WriteOnly)) {
        throw Error(QStringLiteral("Cannot write %1: %2").arg(scriptFile, file.errorString()));
    }
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << "-- The rows of a ZEV database made by zev-gen, for a SQL Server database made by the\n"
           "-- scripts of server/mssql. Run once, on the empty database:\n"
           "--     sqlcmd -S <server> -E -b -f 65001 -i <this file>\n"
           ":on error exit\n"
           "SET NOCOUNT ON;\n"
           "USE ZEV;\n"
           "GO\n"
           "IF EXISTS (SELECT 1 FROM dbo.a_year) OR EXISTS (SELECT 1 FROM dbo.zev_login)\n"
           "    RAISERROR(N'The database ZEV holds data already; this script fills an empty "
           "one.', 16, 1);\n"
           "GO\n";
    for (const QString& table : tablesInOrder(db)) {
        writeTable(db, table, out);
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit()) {
        throw Error(QStringLiteral("Cannot write %1: %2").arg(scriptFile, file.errorString()));
    }
}

}  // namespace zev::server
