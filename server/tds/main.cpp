// zev-tds-server: serves an embedded ZEV database file over TDS 7.4 on a loopback port, for the
// tests and the demo of the client's SQL Server path. Not a production server: production runs
// on Microsoft SQL Server.

#include "data/Errors.h"
#include "server/tds/TdsServer.h"

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
    "  --count-requests    print each session's requests and bytes when it ends\n";

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    zev::tds::TdsServerOptions options;
    bool countRequests = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--port" && i + 1 < args.size()) {
            bool ok = false;
            const int port = args[++i].toInt(&ok);
            if (!ok || port < 0 || port > 65535) {
                err << "zev-tds-server: not a port: " << args[i] << '\n' << kUsage;
                return 2;
            }
            options.port = static_cast<std::uint16_t>(port);
        } else if (a == u"--no-row-counts") {
            options.noRowCounts = true;
        } else if (a == u"--latin-collation") {
            options.latinCollation = true;
        } else if (a == u"--count-requests") {
            countRequests = true;
        } else if (a == u"-h" || a == u"--help") {
            out << kUsage;
            return 0;
        } else if (!a.startsWith(u'-') && options.databaseFile.isEmpty()) {
            options.databaseFile = a;
        } else {
            err << "zev-tds-server: unknown argument " << a << '\n' << kUsage;
            return 2;
        }
    }
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
