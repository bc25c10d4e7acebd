#pragma once

#include "data/Value.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace zev::server {

// One argument of an EXEC: positional or "@name = value"; the value is a literal of the statement
// or the n-th "?" marker, whose value arrives with the call.
struct ExecArgument {
    QString name;         // with the '@', empty for a positional argument
    int paramIndex = -1;  // index of the "?" marker, or -1 for a literal
    Value literal;
};

// A T-SQL statement of the supported subset, translated once and kept in the session's cache.
struct Translation {
    enum class Kind { Select, Insert, Update, Delete, Exec, SetOption };
    Kind kind = Kind::Select;
    QString sqlite;  // the SQLite statement (Select, Insert, Update, Delete)
    bool returnsRows = false;
    int paramCount = 0;                 // number of "?" markers
    QStringList tables;                 // base tables and views the statement reads or writes
    std::vector<ColumnType> itemTypes;  // per result column, the type the expression implies

    QString procedure;  // Exec: the procedure name without qualifiers
    std::vector<ExecArgument> arguments;

    // The T-SQL verb, for permission messages: SELECT, INSERT, UPDATE, DELETE, EXECUTE, SET.
    QString verb() const;
};

// Translates one statement of the supported T-SQL subset to SQLite. Throws DatabaseError with
// SQL Server's wording ("Incorrect syntax near 'X'.") for anything outside the subset.
Translation translate(const QString& tsql);

// Name of the SQLite function that gives "+" its T-SQL meaning (numbers add, texts join, NULL
// propagates); the session registers it on every connection.
inline constexpr const char* kPlusFunction = "zev_plus";

}  // namespace zev::server
