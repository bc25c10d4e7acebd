#include "signin/LogFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>
#include <memory>

namespace zev {

namespace {

constexpr int kKeptOldFiles = 3;

struct LogState {
    QMutex mutex;
    std::unique_ptr<QFile> file;
    QString path;
    QtMessageHandler previous = nullptr;
};

LogState& state() {
    static LogState s;
    return s;
}

const char* levelName(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return "debug";
        case QtInfoMsg:
            return "info";
        case QtWarningMsg:
            return "warning";
        case QtCriticalMsg:
            return "critical";
        case QtFatalMsg:
            return "fatal";
    }
    return "?";
}

// zev32.log -> zev32.log.1 -> ... -> zev32.log.3, the oldest dropped. Called with the mutex held.
void rotate(LogState& s) {
    if (s.file) {
        s.file->close();
    }
    QFile::remove(s.path + QStringLiteral(".%1").arg(kKeptOldFiles));
    for (int i = kKeptOldFiles - 1; i >= 1; --i) {
        QFile::rename(s.path + QStringLiteral(".%1").arg(i),
                      s.path + QStringLiteral(".%1").arg(i + 1));
    }
    QFile::rename(s.path, s.path + QStringLiteral(".1"));
    s.file = std::make_unique<QFile>(s.path);
    if (!s.file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        s.file.reset();
    }
}

void writeToFile(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    LogState& s = state();
    {
        QMutexLocker lock(&s.mutex);
        if (s.file) {
            if (s.file->size() >= kLogFileLimit) {
                rotate(s);
            }
        }
        if (s.file) {
            const QByteArray line =
                QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                levelName(type) + ' ' + (context.category ? context.category : "default") + ": " +
                message.toUtf8() + '\n';
            s.file->write(line);
            s.file->flush();
        }
    }
    // What cannot wait for someone to open the log still reaches the terminal.
    if (type == QtCriticalMsg || type == QtFatalMsg || !s.file) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

QString filterRules(const QString& level) {
    if (level == u"debug") {
        return QStringLiteral("zev.*.debug=true");
    }
    if (level == u"warning") {
        return QStringLiteral("zev.*.debug=false\nzev.*.info=false");
    }
    if (level == u"critical") {
        return QStringLiteral("zev.*.debug=false\nzev.*.info=false\nzev.*.warning=false");
    }
    return QStringLiteral("zev.*.debug=false\nzev.*.info=true");
}

}  // namespace

QString defaultLogFolder() {
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath();
#else
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/zev32");
#endif
}

QString logFilePath(const QString& folder) {
    return folder + QStringLiteral("/zev32.log");
}

bool startLogFile(const QString& folder, const QString& level) {
    LogState& s = state();
    {
        QMutexLocker lock(&s.mutex);
        if (!QDir().mkpath(folder)) {
            return false;
        }
        s.path = logFilePath(folder);
        auto file = std::make_unique<QFile>(s.path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            return false;
        }
        s.file = std::move(file);
    }
    QLoggingCategory::setFilterRules(filterRules(level));
    QtMessageHandler previous = qInstallMessageHandler(writeToFile);
    if (previous != writeToFile) {
        s.previous = previous;
    }
    return true;
}

void stopLogFile() {
    LogState& s = state();
    qInstallMessageHandler(s.previous);
    QMutexLocker lock(&s.mutex);
    s.file.reset();
    s.previous = nullptr;
}

}  // namespace zev
