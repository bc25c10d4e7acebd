#pragma once

#include "core/RowSink.h"
#include "core/Value.h"

#include <QString>
#include <QStringList>

#include <vector>

struct sqlite3;

namespace zev::server {

class Database;

// The history of the students' rows: every insert, change and delete of an elective place
// (DisciplineForStudent) and of a chosen discipline (DisciplineForStudent2) is written into
// zev_history by triggers of the database itself, so that whatever connection writes the row,
// through whatever statement, the change is recorded; members of staff may read the history and
// nothing else. One history row per column: for an insert each column that the new row fills,
// for a delete each column that the row had filled, for a change each column whose value changed,
// with the old and the new value as text.

// A table whose rows are recorded: its key, its student and the columns followed.
struct HistoryTable {
    QString name;
    QString key;
    QStringList columns;  // in the order their changes are written
};
const std::vector<HistoryTable>& historyTables();

// The history table and the triggers of both tables (SQLite text), each created only when it is
// missing.
QString historySchemaSql();

// Who writes, as the triggers record it: the member of staff whose login the connection declared
// (sp_set_session_context 'zev_login', NULL when none was declared) and the database account
// the connection works under. Registered per connection as the SQLite functions
// zev_session_login() and zev_session_account(), which read the values from `identity`.
struct SessionIdentity {
    QString account;
    QString declaredLogin;
    bool declaredReadOnly = false;
};
void registerSessionIdentity(sqlite3* db, const SessionIdentity* identity);

// GetRowHistory @table_name, @row_key and GetStudentHistory @id_student: the history rows,
// newest first, with the values named where a list of the database names them.
void rowHistory(Database& db, const std::vector<Value>& args, RowSink& sink);
void studentHistory(Database& db, const std::vector<Value>& args, RowSink& sink);
std::vector<ResultColumn> historyColumns();

}  // namespace zev::server
