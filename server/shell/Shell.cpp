#include "server/shell/Shell.h"

#include "core/Errors.h"
#include "core/ProgramVersion.h"
#include "server/shell/ResultPrinter.h"
#include "server/shell/ShellSettingsFile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace zev::shell {

QString shellUsage() {
    return QStringLiteral(
        "Usage: zev-sql (-s SETTINGS_FILE | -c CONNECTION_STRING) [options] [STATEMENT...]\n"
        "Runs T-SQL statements on the ZEV database, embedded or on SQL Server.\n"
        "\n"
        "  -s FILE      the client's settings file (Data/ZEV): its account, server and database\n"
        "  -c STRING    a connection string, e.g. \"User ID=u;Password=p;Initial Catalog=ZEV;\n"
        "               Data Source=host\\\\SQLEXPRESS\" or \"...;Data Source=zev.sqlite\"\n"
        "  -f FILE      run the statements of a script file (\"-\" for standard input)\n"
        "  --csv        print results as CSV instead of an aligned table\n"
        "  --batches    split scripts only at lines holding GO (for procedure bodies)\n"
        "  --param NAME=VALUE\n"
        "               bind VALUE to the marker :NAME of the statements (repeatable); a whole\n"
        "               number binds as an integer, anything else as text\n"
        "  --write-settings FILE\n"
        "               write the client's settings file (Data/ZEV) with the User ID, Password,\n"
        "               Data Source and Initial Catalog of -c, then stop (no statements run)\n"
        "  -h, --help   show this text\n"
        "  -v, --version  show the version\n"
        "\n"
        "Each STATEMENT argument is sent as one statement. Without statements and without -f the\n"
        "script is read from standard input. A script is split into statements at lines holding\n"
        "only GO and at lines ending with ';' (outside strings and comments; the ';' is dropped);\n"
        "with --batches only GO lines split. Statements run in order; the first failure stops the\n"
        "run, prints its text on standard error and ends with exit status 1 (2 for a wrong\n"
        "command line).\n");
}

ShellOptions parseShellArguments(const QStringList& arguments) {
    // Qt's parser for the grammar; the help text stays the shell's own (shellUsage), which
    // explains the statements as well as the options.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption settings({QStringLiteral("s"), QStringLiteral("settings")}, QString(),
                                      QStringLiteral("file"));
    const QCommandLineOption connection({QStringLiteral("c"), QStringLiteral("connection")},
                                        QString(), QStringLiteral("string"));
    const QCommandLineOption file({QStringLiteral("f"), QStringLiteral("file")}, QString(),
                                  QStringLiteral("file"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption writeSettings(QStringLiteral("write-settings"), QString(),
                                           QStringLiteral("file"));
    const QCommandLineOption batches(QStringLiteral("batches"));
    const QCommandLineOption param(QStringLiteral("param"), QString(),
                                   QStringLiteral("name=value"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions(
        {settings, connection, file, csv, writeSettings, batches, param, help, version});
    if (!parser.parse(QStringList{QStringLiteral("zev-sql")} + arguments)) {
        throw Error(parser.errorText());
    }
    ShellOptions options;
    options.settingsFile = parser.value(settings);
    options.connectionString = parser.value(connection);
    options.scriptFile = parser.value(file);
    options.writeSettings = parser.value(writeSettings);
    options.statements = parser.positionalArguments();
    options.format = parser.isSet(csv) ? OutputFormat::Csv : OutputFormat::Table;
    options.splitMode = parser.isSet(batches) ? SplitMode::Batches : SplitMode::Statements;
    for (const QString& value : parser.values(param)) {
        options.params.push_back(parseParam(value));
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    if (options.help || options.version) {
        return options;
    }
    if (options.settingsFile.isEmpty() == options.connectionString.isEmpty()) {
        throw Error(
            QStringLiteral("Give exactly one of -s SETTINGS_FILE and -c CONNECTION_STRING"));
    }
    if (!options.writeSettings.isEmpty() &&
        (options.connectionString.isEmpty() || !options.statements.isEmpty() ||
         !options.scriptFile.isEmpty())) {
        throw Error(QStringLiteral("--write-settings takes -c and nothing to run"));
    }
    if (!options.scriptFile.isEmpty() && !options.statements.isEmpty()) {
        throw Error(QStringLiteral("Give statements either as arguments or with -f, not both"));
    }
    return options;
}

void openShellConnection(const ShellOptions& options, Connection& connection) {
    if (!options.settingsFile.isEmpty()) {
        const ShellSettings settings = readShellSettingsFile(options.settingsFile);
        connection.setBaseFolder(QFileInfo(options.settingsFile).absolutePath());
        connection.setConnectionString(shellConnectionString(settings));
    } else {
        connection.setBaseFolder(QDir::currentPath());
        connection.setConnectionString(options.connectionString);
    }
    connection.open();
}

bool returnsRows(const QString& statement) {
    // The first word after leading comments, blanks and opening parentheses.
    static const QRegularExpression lead(
        QStringLiteral(R"(^(?:\s+|--[^\n]*(?:\n|$)|/\*.*?\*/|\()*([A-Za-z]+))"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = lead.match(statement);
    if (!m.hasMatch()) {
        return false;
    }
    const QString word = m.captured(1).toUpper();
    return word == u"SELECT" || word == u"EXEC" || word == u"EXECUTE" || word == u"WITH";
}

NamedValue parseParam(const QString& nameEqualsValue) {
    const qsizetype eq = nameEqualsValue.indexOf(u'=');
    QString name = nameEqualsValue.left(eq).trimmed();
    if (name.startsWith(u':')) {
        name.remove(0, 1);
    }
    if (eq <= 0 || name.isEmpty()) {
        throw Error(QStringLiteral("--param takes NAME=VALUE, not %1").arg(nameEqualsValue));
    }
    const QString value = nameEqualsValue.mid(eq + 1);
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]{1,18}$"));
    if (wholeNumber.match(value).hasMatch()) {
        return {name, Value{value.toLongLong()}};
    }
    return {name, Value{value}};
}

int runStatements(const std::vector<QString>& statements, Connection& connection,
                  OutputFormat format, QTextStream& out, QTextStream& err, const Params& params) {
    bool first = true;
    for (const QString& statement : statements) {
        try {
            if (returnsRows(statement)) {
                const ResultSet result = connection.query(statement, params);
                if (format == OutputFormat::Csv) {
                    if (result.columnCount() > 0) {
                        out << formatCsv(result);
                    }
                } else {
                    if (!first) {
                        out << '\n';
                    }
                    out << (result.columnCount() > 0 ? formatTable(result)
                                                     : QStringLiteral("(no result)\n"));
                }
            } else {
                const qint64 affected = connection.execute(statement, params);
                if (format == OutputFormat::Table) {
                    if (!first) {
                        out << '\n';
                    }
                    out << (affected < 0    ? QStringLiteral("(done)\n")
                            : affected == 1 ? QStringLiteral("(1 row affected)\n")
                                            : QStringLiteral("(%1 rows affected)\n").arg(affected));
                }
            }
            out.flush();
        } catch (const Error& e) {
            out.flush();
            err << "zev-sql: " << e.text() << '\n';
            err.flush();
            return kExitStatementFailed;
        }
        first = false;
    }
    return kExitOk;
}

int runShell(const QStringList& arguments, QTextStream& input, QTextStream& out, QTextStream& err) {
    ShellOptions options;
    try {
        options = parseShellArguments(arguments);
    } catch (const Error& e) {
        err << "zev-sql: " << e.text() << "\n\n" << shellUsage();
        err.flush();
        return kExitUsage;
    }
    if (options.help) {
        out << shellUsage();
        out.flush();
        return kExitOk;
    }
    if (options.version) {
        out << "zev-sql " << kProgramVersionText << "\n";
        out.flush();
        return kExitOk;
    }

    std::vector<QString> statements;
    try {
        if (!options.writeSettings.isEmpty()) {
            const ConnectionSettings c = parseConnectionString(options.connectionString);
            writeShellSettingsFile(options.writeSettings,
                                   {c.user, c.password, c.dataSource, c.catalog});
            out << "Settings written to " << options.writeSettings << '\n';
            out.flush();
            return kExitOk;
        }
        if (!options.statements.isEmpty()) {
            for (const QString& s : options.statements) {
                if (!s.trimmed().isEmpty()) {
                    statements.push_back(s);
                }
            }
        } else if (!options.scriptFile.isEmpty() && options.scriptFile != u"-") {
            QFile file(options.scriptFile);
            if (!file.open(QIODevice::ReadOnly)) {
                throw Error(QStringLiteral("Cannot read the script %1: %2")
                                .arg(options.scriptFile, file.errorString()));
            }
            statements = splitScript(QString::fromUtf8(file.readAll()), options.splitMode);
        } else {
            statements = splitScript(input.readAll(), options.splitMode);
        }

        Connection connection;
        openShellConnection(options, connection);
        return runStatements(statements, connection, options.format, out, err, options.params);
    } catch (const Error& e) {
        err << "zev-sql: " << e.text() << '\n';
        err.flush();
        return kExitStatementFailed;
    }
}

}  // namespace zev::shell
