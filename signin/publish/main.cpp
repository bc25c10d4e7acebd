// zev-publish-update [--key release-private.pem] FILE...: the publishing step of a program
// update. Writes beside each program file the checksum file FILE.sha256 and, with a key, the
// Ed25519 signature FILE.sig that the client checks before it installs the file. Copy the three
// files to the update folder together (see server/mssql/README.md).
#include "core/Errors.h"
#include "core/ProgramVersion.h"
#include "signin/UpdateChecks.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

QByteArray readFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        throw zev::Error(QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
    }
    return file.readAll();
}

void writeFile(const QString& name, const QByteArray& bytes) {
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw zev::Error(QStringLiteral("cannot write %1: %2").arg(name, file.errorString()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zev-publish-update"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zev::kProgramVersionText));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes FILE.sha256 and, with --key, FILE.sig beside each program file to publish on the "
        "update server. Name the files as the clients ask for them: \"ZEV 32.exe\" for Windows, "
        "\"ZEV 32-linux-x86_64\" for Linux on x86_64."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption key(QStringLiteral("key"),
                                 QStringLiteral("the release key's private half (PEM, Ed25519)"),
                                 QStringLiteral("pem"));
    parser.addOption(key);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("program file to publish"),
                                 QStringLiteral("FILE..."));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        err << "zev-publish-update: no file given (see --help)\n";
        return 2;
    }
    try {
        const QByteArray privateKey =
            parser.isSet(key) ? readFile(parser.value(key)) : QByteArray();
        for (const QString& name : files) {
            const QByteArray program = readFile(name);
            // Signed first: a key that cannot sign leaves the published files as they were.
            const QByteArray signature =
                privateKey.isEmpty() ? QByteArray() : zev::signEd25519(privateKey, program);
            writeFile(name + QStringLiteral(".sha256"),
                      zev::sha256Line(program, QFileInfo(name).fileName()));
            out << "wrote " << name << ".sha256\n";
            if (!signature.isEmpty()) {
                writeFile(name + QStringLiteral(".sig"), signature);
                out << "wrote " << name << ".sig\n";
            }
        }
    } catch (const zev::Error& e) {
        err << "zev-publish-update: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
