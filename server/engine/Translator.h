#pragma once

#include "core/Value.h"

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
    enum class Kind {
        Select,
        Insert,
        Update,
        Delete,
        Exec,
        SetOption,
        // The client's explicit transaction: BEGIN TRANSACTION, COMMIT TRANSACTION and
        // IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION (the session runs them; no SQLite text).
        BeginTransaction,
        CommitTransaction,
        RollbackTransaction,
        // SELECT @@TRANCOUNT: how deep the client's transaction is (0: none), one row.
        TransactionCount,
    };
    Kind kind = Kind::Select;
    QString sqlite;  // the SQLite statement (Select, Insert, Update, Delete)
    bool returnsRows = false;
    int paramCount = 0;                 // number of "?" markers
    QStringList tables;                 // base tables and views the statement reads or writes
    std::vector<ColumnType> itemTypes;  // per result column, the type the expression implies

    // RollbackTransaction under IF @@TRANCOUNT > 0: nothing to do, and no error, without a
    // transaction.
    bool onlyWhenOpen = false;

    QString procedure;  // Exec: the procedure name without qualifiers
    std::vector<ExecArgument> arguments;

    // The T-SQL verb, for permission messages: SELECT, INSERT, UPDATE, DELETE, EXECUTE, SET,
    // BEGIN TRANSACTION, COMMIT TRANSACTION, ROLLBACK TRANSACTION.
    QString verb() const;
};

// Translates one statement of the supported T-SQL subset to SQLite. Throws DatabaseError with
// SQL Server's wording ("Incorrect syntax near 'X'.") for anything outside the subset. A
// statement with a plan guide (PlanGuides.h) gets the guide's twin.
Translation translate(const QString& tsql);
// The same, clause for clause as written, without plan guides.
Translation translateAsWritten(const QString& tsql);

// Name of the SQLite function that evaluates a chain of arithmetic operators with T-SQL's rules
// (numbers add, texts join, NULL propagates, division by zero and integer overflow are errors):
// zev_arith(t1, t2, ..., tn, 'ops') with one operator character per gap.
inline constexpr const char* kArithmeticFunction = "zev_arith";

}  // namespace zev::server
