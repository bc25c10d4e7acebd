#include "signin/SettingsPlaces.h"

#include "core/Errors.h"
#include "signin/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace zev {

namespace {

const QString kSettingsFileName = QStringLiteral("ZEV");
const QString kProgramSettingsFileName = QStringLiteral("zev32.ini");

QString& settingsOverride() {
    static QString file;
    return file;
}

QString& systemFolderOverride() {
    static QString folder;
    return folder;
}

QString userConfigFolder() {
    // The XDG rule itself rather than QStandardPaths: the same answer for every program of the
    // project, and no dependency on the application's organisation name.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/zev32");
}

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

}  // namespace

QString systemSettingsFolder() {
    const QString& folder = systemFolderOverride();
    return folder.isEmpty() ? QStringLiteral("/etc/zev32") : folder;
}

void setSystemSettingsFolder(const QString& folder) {
    systemFolderOverride() = folder;
}

QStringList settingsFolders() {
    QStringList folders{ProgramFolder() + QStringLiteral("/Data")};
#if defined(Q_OS_UNIX)
    folders << userConfigFolder() << systemSettingsFolder();
#endif
    return folders;
}

QStringList settingsFileCandidates() {
    if (!settingsOverride().isEmpty()) {
        return {settingsOverride()};
    }
    QStringList files;
    for (const QString& folder : settingsFolders()) {
        files << folder + u'/' + kSettingsFileName;
    }
    return files;
}

QString findSettingsFile() {
    const QStringList candidates = settingsFileCandidates();
    for (const QString& file : candidates) {
        if (isFile(file)) {
            return file;
        }
    }
    QStringList shown;
    for (const QString& file : candidates) {
        shown << QDir::toNativeSeparators(file);
    }
    throw Error(QStringLiteral("Файл настроек соединения не найден. Искали: %1.")
                    .arg(shown.join(QStringLiteral("; "))));
}

QString findProgramSettingsFile() {
    QStringList folders;
    if (!settingsOverride().isEmpty()) {
        folders << QFileInfo(settingsOverride()).absolutePath();
    }
    folders << settingsFolders();
    for (const QString& folder : folders) {
        QString file = folder + u'/' + kProgramSettingsFileName;
        if (isFile(file)) {
            return file;
        }
    }
    return {};
}

void setSettingsFileOverride(const QString& file) {
    settingsOverride() = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
}

}  // namespace zev
