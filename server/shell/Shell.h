#pragma once

#include "data/Connection.h"
#include "server/shell/ScriptSplitter.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace zev::shell {

enum class OutputFormat { Table, Csv };

// What the command line asks for.
struct ShellOptions {
    QString settingsFile;      // -s: the client's 84-byte settings file
    QString connectionString;  // -c: a connection string in the client's form
    QString scriptFile;        // -f: a script to run ("-" for standard input)
    QString writeSettings;     // --write-settings: write -c's account, server, database there
    QStringList statements;    // statements given as arguments, one each
    Params params;             // --param NAME=VALUE: values of the statements' :NAME markers
    OutputFormat format = OutputFormat::Table;
    SplitMode splitMode = SplitMode::Statements;
    bool help = false;
    bool version = false;
};

// Exit statuses of zev-sql.
inline constexpr int kExitOk = 0;
inline constexpr int kExitStatementFailed = 1;  // a statement or the connection failed
inline constexpr int kExitUsage = 2;            // the command line is wrong

QString shellUsage();

// Parses the arguments (without the program name); throws zev::Error with the reason.
ShellOptions parseShellArguments(const QStringList& arguments);

// Opens the connection that the options name: a settings file resolves an embedded database
// against its own folder; a connection string against the current folder.
void openShellConnection(const ShellOptions& options, Connection& connection);

// True when the statement answers with rows (SELECT, EXEC, WITH), so that it is run as a query;
// any other statement is executed and answers the rows it affected.
bool returnsRows(const QString& statement);

// Runs the statements one after another on an open connection, printing each result on out.
// Stops at the first failure, whose text goes to err; answers the exit status.
int runStatements(const std::vector<QString>& statements, Connection& connection,
                  OutputFormat format, QTextStream& out, QTextStream& err,
                  const Params& params = {});

// The value of a --param: a whole number binds as an integer, anything else as text.
NamedValue parseParam(const QString& nameEqualsValue);

// The whole program: parse, open, read the statements, run them. input is read when neither
// statements nor a script file are given (or the script file is "-").
int runShell(const QStringList& arguments, QTextStream& input, QTextStream& out, QTextStream& err);

}  // namespace zev::shell
