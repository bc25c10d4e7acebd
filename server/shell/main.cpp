// zev-sql: the administrators' SQL shell over the client's own connection (both drivers).
#include "server/shell/Shell.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream input(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return zev::shell::runShell(arguments, input, out, err);
}
