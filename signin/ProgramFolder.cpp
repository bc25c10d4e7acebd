#include "signin/ProgramFolder.h"

#include <QCoreApplication>

namespace zev {

namespace {
QString& overriddenFolder() {
    static QString folder;
    return folder;
}
}  // namespace

QString ProgramFolder() {
    const QString& folder = overriddenFolder();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

void setProgramFolder(const QString& folder) {
    overriddenFolder() = folder;
}

}  // namespace zev
