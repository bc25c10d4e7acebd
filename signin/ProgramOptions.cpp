#include "signin/ProgramOptions.h"

#include "signin/SettingsPlaces.h"

#include <QSettings>

namespace zev {

QUrl defaultUpdateFolder() {
    return {QStringLiteral("http://zev-update.local/zevprogs/")};
}

ProgramOptions readProgramOptions() {
    return readProgramOptions(findProgramSettingsFile());
}

ProgramOptions readProgramOptions(const QString& iniFile) {
    ProgramOptions options;
    options.updateFolder = defaultUpdateFolder();
    options.logLevel = QStringLiteral("info");
    if (iniFile.isEmpty()) {
        return options;
    }
    options.sourceFile = iniFile;
    const QSettings ini(iniFile, QSettings::IniFormat);
    QString address = ini.value(QStringLiteral("update/address")).toString().trimmed();
    if (!address.isEmpty()) {
        // The file names are appended to a folder: "…/zevprogs" and "…/zevprogs/" mean the same.
        if (!address.endsWith(u'/')) {
            address += u'/';
        }
        const QUrl url(address, QUrl::StrictMode);
        if (url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https")) {
            options.updateFolder = url;
        }
    }
    const QString level = ini.value(QStringLiteral("log/level")).toString().trimmed().toLower();
    if (level == u"debug" || level == u"info" || level == u"warning" || level == u"critical") {
        options.logLevel = level;
    }
    return options;
}

}  // namespace zev
