#pragma once

#include "core/ResultSet.h"
#include "core/RowSink.h"
#include "core/Value.h"

#include <QString>

#include <vector>

namespace zev::server {

class Database;

struct Parameter {
    QString name;  // with the '@'
    ColumnType type = ColumnType::Unknown;
};

// A stored procedure of the ZEV server: its parameters in order, its result columns and its body,
// which hands its rows to the sink under the procedure's column names and types. `writes` marks
// a procedure that changes the database (it runs as one transaction and is never cached).
struct Procedure {
    QString name;
    std::vector<Parameter> parameters;
    std::vector<ResultColumn> columns;
    void (*body)(Database& db, const std::vector<Value>& args, RowSink& sink) = nullptr;
    bool writes = false;
};

// Every procedure of the server, in a fixed order.
const std::vector<Procedure>& procedures();

// The procedure of that name (letter case ignored), or nullptr.
const Procedure* findProcedure(const QString& name);

// The one SQLite statement whose rows a reading procedure answers, its markers ?1, ?2, ... the
// procedure's parameters in order; empty for a procedure that does more (benchmarks time the
// statement on its own against the procedure).
QString procedureStatement(const QString& name);

// The table-valued function dbo.GetTFIO_with_pps: its parameters and result columns (the
// translator expands its body in place).
const Procedure& teacherFunction();

// Name of the sign-in procedure, the one thing that the sign-in account may run.
inline constexpr const char* kSignInProcedure = "GET_USER";

}  // namespace zev::server
