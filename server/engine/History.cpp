#include "server/engine/History.h"

#include "server/engine/Database.h"

#include <sqlite3.h>

namespace zev::server {

namespace {

void resultText(sqlite3_context* ctx, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    sqlite3_result_text(ctx, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void sessionLogin(sqlite3_context* ctx, int, sqlite3_value**) {
    const auto* identity = static_cast<const SessionIdentity*>(sqlite3_user_data(ctx));
    if (!identity || identity->declaredLogin.isEmpty()) {
        sqlite3_result_null(ctx);
        return;
    }
    resultText(ctx, identity->declaredLogin);
}

// A connection without an account (the generator, the upgrade) writes as the database's owner,
// as a DBA's script does on SQL Server.
void sessionAccount(sqlite3_context* ctx, int, sqlite3_value**) {
    const auto* identity = static_cast<const SessionIdentity*>(sqlite3_user_data(ctx));
    resultText(
        ctx, identity && !identity->account.isEmpty() ? identity->account : QStringLiteral("dbo"));
}

// One trigger of a table. `old` and `fresh` name the trigger's row pseudo-tables whose values
// are written as the old and the new value (empty: none); `where` keeps the columns worth a row.
QString trigger(const HistoryTable& t, const char* event, const char* action, const char* old,
                const char* fresh, const char* where) {
    const char* row = *fresh ? fresh : old;
    QString columns;
    for (qsizetype i = 0; i < t.columns.size(); ++i) {
        const QString& c = t.columns[i];
        columns += i == 0 ? QStringLiteral("SELECT ") : QStringLiteral(" UNION ALL SELECT ");
        columns += QStringLiteral("%1 AS ord, '%2' AS name, %3 AS old_value, %4 AS new_value")
                       .arg(i)
                       .arg(c,
                            *old ? QStringLiteral("%1.\"%2\"").arg(QLatin1String(old), c)
                                 : QStringLiteral("NULL"),
                            *fresh ? QStringLiteral("%1.\"%2\"").arg(QLatin1String(fresh), c)
                                   : QStringLiteral("NULL"));
    }
    return QStringLiteral(
               "CREATE TRIGGER IF NOT EXISTS \"%1_history_%2\" AFTER %3 ON \"%1\" BEGIN\n"
               "    INSERT INTO zev_history (changed_at, zev_login, db_login, table_name, "
               "row_key, id_student, action, column_name, old_value, new_value)\n"
               "    SELECT strftime('%Y-%m-%d %H:%M:%f', 'now'), zev_session_login(), "
               "zev_session_account(), '%1', %4.\"%5\", %4.id_student, '%6', c.name, "
               "c.old_value, c.new_value\n"
               "    FROM (%7) AS c WHERE %8 ORDER BY c.ord;\n"
               "END;\n")
        .arg(t.name, QString::fromLatin1(event).toLower(), QString::fromLatin1(event),
             QString::fromLatin1(row), t.key, QString::fromLatin1(action), columns,
             QString::fromLatin1(where));
}

// The text of a history value, named where a list of the database names it: the discipline's
// name for a discipline key, the teacher's full name for a teacher key, and so on; the value
// itself for any other column and for a key that names nothing (any more).
QString namedValue(const QString& value) {
    const QString key = QStringLiteral("CAST(%1 AS INTEGER)").arg(value);
    const auto named = [&](const char* sql) {
        return QStringLiteral("COALESCE((%1), %2)").arg(QString::fromLatin1(sql).arg(key), value);
    };
    const QString discipline = named("SELECT p34 FROM discipline WHERE id_discipline = %1");
    const QString semester = named("SELECT p43 FROM Semester WHERE id_semester = %1");
    const QString year = named("SELECT p32 FROM a_year WHERE id_a_year = %1");
    return QStringLiteral("CASE WHEN %1 IS NULL THEN NULL").arg(value) +
           QStringLiteral(" WHEN h.column_name IN ('id_discipline', 'fixed_discipline') THEN ") +
           discipline +
           QStringLiteral(" WHEN h.column_name IN ('id_semester', 'plan_semester') THEN ") +
           semester + QStringLiteral(" WHEN h.column_name IN ('id_a_year', 'plan_a_year') THEN ") +
           year + QStringLiteral(" WHEN h.column_name = 'id_teacher' THEN ") +
           named("SELECT t_fio FROM t_fio WHERE id_teacher = %1") +
           QStringLiteral(" WHEN h.column_name = 'id_kafedra' THEN ") +
           named("SELECT f1 FROM kafedra WHERE id_kafedra = %1") +
           QStringLiteral(" WHEN h.column_name = 'id_examination' THEN ") +
           named("SELECT name FROM examination WHERE id_examination = %1") +
           QStringLiteral(" WHEN h.column_name = 'id_student' THEN ") +
           named("SELECT s_fio FROM s_fio WHERE id_student = %1") +
           QStringLiteral(" WHEN h.column_name = 'id_group' THEN ") +
           named("SELECT p20 FROM \"group\" WHERE id_group = %1") +
           QStringLiteral(" WHEN h.column_name = 'id_speciality' THEN ") +
           named("SELECT min(\"p25-2\") FROM Speciality_form WHERE id_speciality = %1") +
           QStringLiteral(" ELSE %1 END").arg(value);
}

QString historySelect(const char* where) {
    return QStringLiteral(
               "SELECT h.id_history, h.changed_at, h.zev_login, h.db_login, h.table_name, "
               "h.row_key, h.id_student, h.action, h.column_name, h.old_value, h.new_value, "
               "%1 AS old_text, %2 AS new_text FROM zev_history AS h WHERE %3 "
               "ORDER BY h.id_history DESC")
        .arg(namedValue(QStringLiteral("h.old_value")), namedValue(QStringLiteral("h.new_value")),
             QString::fromLatin1(where));
}

}  // namespace

const std::vector<HistoryTable>& historyTables() {
    static const std::vector<HistoryTable> tables = {
        {QStringLiteral("DisciplineForStudent"),
         QStringLiteral("id_disciplineForStudent"),
         {QStringLiteral("id_student"), QStringLiteral("id_speciality"),
          QStringLiteral("plan_a_year"), QStringLiteral("plan_semester"),
          QStringLiteral("id_group"), QStringLiteral("descGroupNum"),
          QStringLiteral("fixed_discipline"), QStringLiteral("p30"),
          QStringLiteral("id_discipline"), QStringLiteral("id_teacher"), QStringLiteral("ZEV_user"),
          QStringLiteral("id_examination"), QStringLiteral("subgroup"),
          QStringLiteral("id_semester"), QStringLiteral("id_a_year")}},
        {QStringLiteral("DisciplineForStudent2"),
         QStringLiteral("id_disciplineForStudent2"),
         {QStringLiteral("id_student"), QStringLiteral("id_a_year"), QStringLiteral("id_semester"),
          QStringLiteral("id_kafedra"), QStringLiteral("id_discipline"),
          QStringLiteral("id_teacher"), QStringLiteral("subgroup")}},
    };
    return tables;
}

QString historySchemaSql() {
    QString sql = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS zev_history (\n"
        "    id_history  INTEGER PRIMARY KEY AUTOINCREMENT,\n"
        "    changed_at  TEXT NOT NULL,            -- UTC, YYYY-MM-DD HH:MM:SS.mmm\n"
        "    zev_login   TEXT COLLATE zev_ci,      -- the member of staff the connection declared\n"
        "    db_login    TEXT COLLATE zev_ci NOT NULL,  -- the database account that wrote\n"
        "    table_name  TEXT COLLATE NOCASE NOT NULL,\n"
        "    row_key     INTEGER NOT NULL,\n"
        "    id_student  INTEGER,\n"
        "    action      TEXT NOT NULL,            -- I inserted, U changed, D deleted\n"
        "    column_name TEXT NOT NULL,\n"
        "    old_value   TEXT,\n"
        "    new_value   TEXT\n"
        ");\n"
        "CREATE INDEX IF NOT EXISTS zev_history_row ON zev_history(table_name, row_key, "
        "id_history);\n"
        "CREATE INDEX IF NOT EXISTS zev_history_student ON zev_history(id_student, id_history);\n");
    for (const HistoryTable& t : historyTables()) {
        sql += trigger(t, "INSERT", "I", "", "NEW", "c.new_value IS NOT NULL");
        sql += trigger(t, "UPDATE", "U", "OLD", "NEW", "c.old_value IS NOT c.new_value");
        sql += trigger(t, "DELETE", "D", "OLD", "", "c.old_value IS NOT NULL");
    }
    return sql;
}

void registerSessionIdentity(sqlite3* db, const SessionIdentity* identity) {
    auto* data = const_cast<SessionIdentity*>(identity);  // read only, through sqlite3_user_data
    sqlite3_create_function_v2(db, "zev_session_login", 0, SQLITE_UTF8, data, sessionLogin, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "zev_session_account", 0, SQLITE_UTF8, data, sessionAccount,
                               nullptr, nullptr, nullptr);
}

std::vector<ResultColumn> historyColumns() {
    const auto col = [](const char* name, ColumnType type) {
        return ResultColumn{QString::fromLatin1(name), type};
    };
    return {col("id_history", ColumnType::Integer), col("changed_at", ColumnType::Text),
            col("zev_login", ColumnType::Text),     col("db_login", ColumnType::Text),
            col("table_name", ColumnType::Text),    col("row_key", ColumnType::Integer),
            col("id_student", ColumnType::Integer), col("action", ColumnType::Text),
            col("column_name", ColumnType::Text),   col("old_value", ColumnType::Text),
            col("new_value", ColumnType::Text),     col("old_text", ColumnType::Text),
            col("new_text", ColumnType::Text)};
}

void rowHistory(Database& db, const std::vector<Value>& args, RowSink& sink) {
    static const QString sql = historySelect("h.table_name = ?1 AND h.row_key = ?2");
    static const std::vector<ResultColumn> columns = historyColumns();
    db.queryInto(sql, args, {}, sink, &columns);
}

void studentHistory(Database& db, const std::vector<Value>& args, RowSink& sink) {
    static const QString sql = historySelect("h.id_student = ?1");
    static const std::vector<ResultColumn> columns = historyColumns();
    db.queryInto(sql, args, {}, sink, &columns);
}

}  // namespace zev::server
