#pragma once

// The client's surroundings in a test or in the tour: a temporary program folder whose Data/
// holds a freshly generated demo database and its settings file ZEV, made the program's folder
// for as long as the object lives, with the start-up state of a fresh program whose main window
// waits to be shown by its caller.

#include "server/gen/Generator.h"

#include <QString>
#include <QTemporaryDir>

namespace zev::testing {

class DemoProgramFolder {
public:
    // Throws zev::Error when the temporary folder cannot be made.
    DemoProgramFolder();
    ~DemoProgramFolder();
    DemoProgramFolder(const DemoProgramFolder&) = delete;
    DemoProgramFolder& operator=(const DemoProgramFolder&) = delete;

    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }
    QString dataFolder() const { return filePath(QStringLiteral("Data")); }
    const server::GeneratedDatabase& database() const { return database_; }
    // The demo password of a login; throws zev::Error for a login the demo does not have.
    QString passwordOf(const QString& login) const;

private:
    QTemporaryDir folder_;
    server::GeneratedDatabase database_;
};

}  // namespace zev::testing
