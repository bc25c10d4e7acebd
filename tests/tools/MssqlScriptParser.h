#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace zev::testing {

// The objects that the SQL Server deployment scripts create, as far as the client relies on them.
struct ScriptTable {
    QString name;
    QStringList columns;
    QStringList columnTypes;  // the declared type's name, lower case: "int", "varchar", ...
};
struct ScriptView {
    QString name;
    QStringList columns;  // from the select list: alias, or the column's own name
};
struct ScriptRoutine {
    QString name;
    QStringList parameters;      // without the leading '@', in order
    QStringList parameterTypes;  // the declared type's name, lower case
    // The columns of the SELECT that gives the routine's result (the last one of its body that
    // assigns no variable), and where each comes from: "table.column" for a column of a table in
    // its FROM clause, "@type" for a parameter or declared variable of that type, empty for an
    // expression.
    QStringList resultColumns;
    QStringList resultSources;
};
struct ScriptCatalog {
    std::vector<ScriptTable> tables;
    std::vector<ScriptView> views;
    std::vector<ScriptRoutine> procedures;
    std::vector<ScriptRoutine> functions;
    // CREATE statements outside routine bodies that would fail on a second run: neither
    // CREATE OR ALTER nor under an IF of their own statement ("CREATE TABLE a_year", ...).
    QStringList unguardedCreates;
};

// Reads the headers of CREATE TABLE / VIEW / PROCEDURE / FUNCTION statements of T-SQL scripts.
// Batches are split at lines holding GO; names lose their schema qualifier ("dbo.") and brackets.
// Throws std::runtime_error naming the object when a header cannot be read.
ScriptCatalog parseMssqlScript(const QString& script);

// Appends the objects of another script.
void mergeInto(ScriptCatalog& into, ScriptCatalog&& from);

// The declared type (lower case) of a routine's result column, as far as the scripts tell it:
// the column's type in its table, or the variable's; empty for an expression.
QString resultColumnType(const ScriptCatalog& catalog, const ScriptRoutine& routine,
                         qsizetype column);

}  // namespace zev::testing
