#include "DemoProgramFolder.h"

#include "core/Errors.h"
#include "signin/ApplicationState.h"
#include "signin/ProgramFolder.h"

namespace zev::testing {

DemoProgramFolder::DemoProgramFolder() {
    if (!folder_.isValid()) {
        throw Error(
            QStringLiteral("Cannot create a temporary folder: %1").arg(folder_.errorString()));
    }
    // The client finds its settings file Data/ZEV in its program folder.
    setProgramFolder(folder_.path());
    database_ = server::generateDatabase(dataFolder(), server::DatabaseSize::Demo);
    ApplicationState::reset();
    ApplicationState::setShowMainForm(false);
}

DemoProgramFolder::~DemoProgramFolder() {
    setProgramFolder(QString());
    ApplicationState::reset();
}

QString DemoProgramFolder::passwordOf(const QString& login) const {
    for (const server::DemoLogin& demoLogin : database_.logins) {
        if (demoLogin.login == login) {
            return demoLogin.password;
        }
    }
    throw Error(QStringLiteral("The demo database has no login %1").arg(login));
}

}  // namespace zev::testing
