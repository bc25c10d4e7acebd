#include "signin/SelfUpdate.h"

#include "core/Errors.h"
#include "signin/ProgramOptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSaveFile>
#include <QSysInfo>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace zev {

namespace {

// Set by tests; empty: the address of the program settings.
QUrl& updateSourceOverride() {
    static QUrl url;
    return url;
}

#ifdef Q_OS_WIN
const QString kProgramFileName = QStringLiteral("ZEV 32.exe");
const QString kScriptFileName = QStringLiteral("ZEV 32.bat");
#else
const QString kProgramFileName = QStringLiteral("ZEV 32");
const QString kScriptFileName = QStringLiteral("ZEV 32.sh");
#endif

// A download that stalls for this long is given up.
constexpr int kTransferTimeoutMs = 30000;

}  // namespace

QString updateFileName() {
#ifdef Q_OS_WIN
    return QStringLiteral("ZEV 32.exe");
#else
    return QStringLiteral("ZEV 32-%1-%2")
        .arg(QSysInfo::kernelType(), QSysInfo::buildCpuArchitecture());
#endif
}

QUrl updateSourceUrl() {
    if (!updateSourceOverride().isEmpty()) {
        return updateSourceOverride();
    }
    QUrl url = readProgramOptions().updateFolder;
    url.setPath(url.path() + updateFileName());
    return url;
}
void setUpdateSourceUrl(const QUrl& url) {
    updateSourceOverride() = url;
}

QUrl publishedBeside(const QUrl& programUrl, const QString& suffix) {
    QUrl url = programUrl;
    url.setPath(programUrl.path() + suffix);
    return url;
}

QString UpdatePaths::tempFolder() const {
    return programFolder + QStringLiteral("/tempZEV");
}
QString UpdatePaths::downloadedFile() const {
    return tempFolder() + u'/' + kProgramFileName;
}
QString UpdatePaths::checksumFile() const {
    return downloadedFile() + QStringLiteral(".sha256");
}
QString UpdatePaths::signatureFile() const {
    return downloadedFile() + QStringLiteral(".sig");
}
QString UpdatePaths::scriptFile() const {
    return programFolder + u'/' + kScriptFileName;
}

QByteArray windowsUpdateScript() {
    // Runs in the program's folder. PING is the pause that works in a hidden window without
    // console input; after 60 failed attempts the script gives up and leaves the old program.
    static const char* const lines[] = {
        "@ECHO OFF",
        "SET ZEV_PROG=ZEV 32",
        "SET ZEV_HOME=%CD%",
        R"(SET ZEV_TEMP=%ZEV_HOME%\tempZEV)",
        "SET ZEV_TRIES=0",
        ":do_del",
        R"(DEL /Q "%ZEV_HOME%\%ZEV_PROG%.exe")",
        R"(IF NOT EXIST "%ZEV_HOME%\%ZEV_PROG%.exe" GOTO do_copy)",
        "SET /A ZEV_TRIES+=1",
        "IF %ZEV_TRIES% GEQ 60 GOTO :EOF",
        "PING -n 2 127.0.0.1 >NUL",
        "GOTO do_del",
        ":do_copy",
        R"(COPY "%ZEV_TEMP%\%ZEV_PROG%.exe" "%ZEV_HOME%\%ZEV_PROG%.exe")",
        R"(RD /S /Q "%ZEV_TEMP%")",
        R"("%ZEV_HOME%\%ZEV_PROG%.exe")",
    };
    QByteArray script;
    for (const char* line : lines) {
        script += line;
        script += "\r\n";
    }
    return script;
}

QByteArray posixUpdateScript() {
    return QByteArrayLiteral(
        "#!/bin/sh\n"
        "# Puts the downloaded ZEV 32 in place of the running one once that has exited.\n"
        "# Argument: the process id of the running program.\n"
        "ZEV_PROG='ZEV 32'\n"
        "ZEV_HOME=$(cd \"$(dirname \"$0\")\" && pwd) || exit 1\n"
        "ZEV_TEMP=\"$ZEV_HOME/tempZEV\"\n"
        "ZEV_PID=\"${1:-}\"\n"
        "ZEV_TRIES=0\n"
        "while :; do\n"
        "    if [ -z \"$ZEV_PID\" ] || ! kill -0 \"$ZEV_PID\" 2>/dev/null; then\n"
        "        rm -f \"$ZEV_HOME/$ZEV_PROG\" 2>/dev/null\n"
        "        [ -e \"$ZEV_HOME/$ZEV_PROG\" ] || break\n"
        "    fi\n"
        "    ZEV_TRIES=$((ZEV_TRIES + 1))\n"
        "    [ \"$ZEV_TRIES\" -ge 60 ] && exit 1\n"
        "    sleep 1\n"
        "done\n"
        "cp \"$ZEV_TEMP/$ZEV_PROG\" \"$ZEV_HOME/$ZEV_PROG\" || exit 1\n"
        "chmod 755 \"$ZEV_HOME/$ZEV_PROG\"\n"
        "rm -rf \"$ZEV_TEMP\"\n"
        "cd \"$ZEV_HOME\" || exit 1\n"
        "nohup \"$ZEV_HOME/$ZEV_PROG\" >/dev/null 2>&1 &\n");
}

QByteArray updateScript() {
#ifdef Q_OS_WIN
    return windowsUpdateScript();
#else
    return posixUpdateScript();
#endif
}

void writeUpdateScript(const QString& scriptFile) {
    // Written to a temporary file and renamed into place: the script exists only when complete.
    QSaveFile file(scriptFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(updateScript()) < 0 || !file.commit()) {
        throw Error(QStringLiteral("Не удалось записать файл \"%1\": %2")
                        .arg(QDir::toNativeSeparators(scriptFile), file.errorString()));
    }
}

bool startUpdateScript(const QString& scriptFile, const QString& programFolder) {
#ifdef Q_OS_WIN
    const std::wstring file = QDir::toNativeSeparators(scriptFile).toStdWString();
    const std::wstring folder = QDir::toNativeSeparators(programFolder).toStdWString();
    const auto result = reinterpret_cast<quintptr>(
        ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, folder.c_str(), SW_HIDE));
    return result > 32;
#else
    return QProcess::startDetached(
        QStringLiteral("/bin/sh"),
        {scriptFile, QString::number(QCoreApplication::applicationPid())}, programFolder);
#endif
}

bool DownloadFile(const QUrl& url, const QString& targetFile, const DownloadProgress& progress) {
    QFile file(targetFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw Error(QStringLiteral("Не удалось создать файл \"%1\": %2")
                        .arg(QDir::toNativeSeparators(targetFile), file.errorString()));
    }

    QNetworkProxyFactory::setUseSystemConfiguration(true);
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    // The agent name is the program's own file name.
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    request.setTransferTimeout(kTransferTimeoutMs);

    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    qint64 received = 0;
    QString writeError;

    // The status of the answer being delivered (after any redirection); only a success status
    // lets bytes reach the file, so an error page is never written.
    auto statusIsSuccess = [reply] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.toInt();
        return status.isValid() && code >= 200 && code < 300;
    };
    auto store = [&] {
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty() || !writeError.isEmpty() || !statusIsSuccess()) {
            return;
        }
        if (file.write(chunk) != chunk.size()) {
            writeError = file.errorString();
            reply->abort();
            return;
        }
        received += chunk.size();
    };
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, store);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64, qint64 total) {
        if (progress && statusIsSuccess()) {
            progress(received, total);
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        // The user waits: the windows repaint (the progress shows) but take no input.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    store();
    const bool fetched = writeError.isEmpty() && reply->error() == QNetworkReply::NoError &&
                         statusIsSuccess() && received > 0;
    file.close();
    if (!writeError.isEmpty()) {
        file.remove();
        throw Error(QStringLiteral("Не удалось записать файл \"%1\": %2")
                        .arg(QDir::toNativeSeparators(targetFile), writeError));
    }
    if (!fetched) {
        file.remove();
    }
    return fetched;
}

bool folderIsWritable(const QString& folder) {
    // Tried rather than judged from the permission bits, which say nothing of read-only mounts,
    // access control lists or the administrator's rights.
    QTemporaryFile probe(folder + QStringLiteral("/.zev-write-test-XXXXXX"));
    if (!probe.open()) {
        return false;
    }
    probe.close();
    const QFileInfo program(folder + u'/' + kProgramFileName);
    return !program.exists() || program.isWritable();
}

namespace {

QByteArray readAllOf(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

FetchedUpdate fetchUpdate(const QUrl& programUrl, const UpdatePaths& paths,
                          const QByteArray& releasePublicKey, const DownloadProgress& progress) {
    QDir temp(paths.tempFolder());
    QDir().mkpath(paths.tempFolder());  // a leftover folder is reused
    FetchedUpdate result;
    try {
        if (!DownloadFile(programUrl, paths.downloadedFile(), progress)) {
            result.outcome = FetchedUpdate::Outcome::Unreachable;
            temp.removeRecursively();
            return result;
        }
        // A checksum or signature that cannot be fetched is one that does not match: the checks
        // below name it.
        DownloadFile(publishedBeside(programUrl, QStringLiteral(".sha256")), paths.checksumFile());
        if (!releasePublicKey.isEmpty()) {
            DownloadFile(publishedBeside(programUrl, QStringLiteral(".sig")),
                         paths.signatureFile());
        }
        if (const auto failure =
                checkUpdate(readAllOf(paths.downloadedFile()), readAllOf(paths.checksumFile()),
                            readAllOf(paths.signatureFile()), releasePublicKey)) {
            result.outcome = FetchedUpdate::Outcome::Refused;
            result.failure = failure->text;
        } else {
            result.outcome = FetchedUpdate::Outcome::Ready;
        }
    } catch (...) {
        temp.removeRecursively();
        throw;
    }
    if (result.outcome != FetchedUpdate::Outcome::Ready) {
        temp.removeRecursively();
    }
    return result;
}

}  // namespace zev
