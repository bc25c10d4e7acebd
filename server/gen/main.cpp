// zev-gen demo|university <folder> [--tsql FILE]: writes a ZEV database and its settings file
// into the folder and prints the staff logins with their passwords; with --tsql, also the
// database's rows as a T-SQL load script for a real SQL Server.
#include "core/Errors.h"
#include "core/ProgramVersion.h"
#include "server/gen/Generator.h"
#include "server/gen/TsqlLoadScript.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zev-gen"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zev::kProgramVersionText));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a ZEV database for the embedded server (the demo one, or the larger university "
        "one) and its settings file ZEV into the folder, and prints the staff logins."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption tsql(
        QStringLiteral("tsql"),
        QStringLiteral("Also write the database's rows as a T-SQL load script for SQL Server."),
        QStringLiteral("file"));
    parser.addOption(tsql);
    parser.addPositionalArgument(QStringLiteral("size"), QStringLiteral("demo or university"));
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("where the database and ZEV are written"));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2 || (args[0] != u"demo" && args[0] != u"university")) {
        err << "usage: zev-gen demo|university <folder> [--tsql FILE] (see --help)\n";
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        const auto size = args[0] == u"demo" ? zev::server::DatabaseSize::Demo
                                             : zev::server::DatabaseSize::University;
        const zev::server::GeneratedDatabase made = zev::server::generateDatabase(args[1], size);
        out << "Database: " << made.databaseFile << "\n";
        out << "Settings: " << made.settingsFile << "\n";
        if (parser.isSet(tsql)) {
            zev::server::writeTsqlLoadScript(made.databaseFile, parser.value(tsql));
            out << "T-SQL load script: " << parser.value(tsql) << "\n";
        }
        out << "Made in " << timer.elapsed() << " ms\n";
        out << "Staff logins (login / password: what the sign-in shows):\n";
        for (const zev::server::DemoLogin& login : made.logins) {
            out << "  " << login.login << " / " << login.password << ": " << login.note << "\n";
        }
        return 0;
    } catch (const zev::Error& e) {
        err << "zev-gen: " << e.text() << "\n";
    } catch (const std::exception& e) {
        err << "zev-gen: " << e.what() << "\n";
    }
    return 1;
}
