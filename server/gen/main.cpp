// zev-gen demo|university <folder>: writes a ZEV database and its settings file into the folder
// and prints the staff logins with their passwords.
#include "data/Errors.h"
#include "server/gen/Generator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() != 3 || (args[1] != u"demo" && args[1] != u"university")) {
        err << "usage: zev-gen demo|university <folder>\n";
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        const auto size = args[1] == u"demo" ? zev::server::DatabaseSize::Demo
                                             : zev::server::DatabaseSize::University;
        const zev::server::GeneratedDatabase made = zev::server::generateDatabase(args[2], size);
        out << "Database: " << made.databaseFile << "\n";
        out << "Settings: " << made.settingsFile << "\n";
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
