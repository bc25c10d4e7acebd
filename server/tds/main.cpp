// zev-tds-server: serves an embedded ZEV database file over TDS 7.4 on a loopback port, for the
// tests and the demo of the client's SQL Server path. Not a production server: production runs
// on Microsoft SQL Server.

#include "core/Errors.h"
#include "core/ProgramVersion.h"
#include "server/tds/TdsServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <csignal>
#include <cstdio>

namespace {

const char* const kUsage =
    "Usage: zev-tds-server [options] DATABASE_FILE\n"
    "Serves the embedded ZEV database over TDS 7.4 on 127.0.0.1 (a test and demo server; \n"
    "production runs on Microsoft SQL Server).\n"
    "  --port N            listen on port N (default: an ephemeral port, printed at start)\n"
    "  --no-row-counts     answer without row counts, as under SET NOCOUNT ON\n"
    "  --latin-collation   announce SQL_Latin1_General_CP1_CI_AS instead of Cyrillic\n"
    "  --count-requests    print each session's requests and bytes when it ends\n"
    "  -v, --version       show the version\n";

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCoreApplication::setApplicationName(QStringLiteral("zev-tds-server"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zev::kProgramVersionText));
    QCommandLineParser parser;
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption noRowCounts(QStringLiteral("no-row-counts"));
    const QCommandLineOption latinCollation(QStringLiteral("latin-collation"));
    const QCommandLineOption countRequestsOption(QStringLiteral("count-requests"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions(
        {portOption, noRowCounts, latinCollation, countRequestsOption, help, version});
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "zev-tds-server: " << parser.errorText() << '\n' << kUsage;
        return 2;
    }
    if (parser.isSet(help)) {
        out << kUsage;
        return 0;
    }
    if (parser.isSet(version)) {
        out << "zev-tds-server " << zev::kProgramVersionText << '\n';
        return 0;
    }
    zev::tds::TdsServerOptions options;
    if (parser.isSet(portOption)) {
        bool ok = false;
        const int port = parser.value(portOption).toInt(&ok);
        if (!ok || port < 0 || port > 65535) {
            err << "zev-tds-server: not a port: " << parser.value(portOption) << '\n' << kUsage;
            return 2;
        }
        options.port = static_cast<std::uint16_t>(port);
    }
    options.noRowCounts = parser.isSet(noRowCounts);
    options.latinCollation = parser.isSet(latinCollation);
    const bool countRequests = parser.isSet(countRequestsOption);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        err << "zev-tds-server: unknown argument " << files[1] << '\n' << kUsage;
        return 2;
    }
    options.databaseFile = files.value(0);
    if (options.databaseFile.isEmpty() || !QFileInfo::exists(options.databaseFile)) {
        err << "zev-tds-server: give an existing database file\n" << kUsage;
        return 2;
    }

    // SIGINT and SIGTERM end the server; they are waited for, not handled.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zev::tds::TdsServer server(options);
    if (countRequests) {
        server.setSessionEndHandler([](const zev::tds::SessionRecord& r) {
            std::fprintf(stderr, "session %s (%s, %s): %d requests, %lld bytes in, %lld out\n",
                         qPrintable(r.user), qPrintable(r.application), qPrintable(r.host),
                         r.requests, static_cast<long long>(r.bytesIn),
                         static_cast<long long>(r.bytesOut));
        });
    }
    try {
        const std::uint16_t port = server.start();
        out << "zev-tds-server listening on 127.0.0.1," << port << Qt::endl;
    } catch (const zev::Error& e) {
        err << "zev-tds-server: " << e.text() << '\n';
        return 1;
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    return 0;
}
