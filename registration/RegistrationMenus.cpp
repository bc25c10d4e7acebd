#include "registration/RegistrationMenus.h"

#include "data/DataModule.h"
#include "registration/GroupExportCommands.h"
#include "registration/RegistrationWindow.h"

#include <QMenu>
#include <QMenuBar>

namespace zev {

RegistrationMenus buildRegistrationMenus(TForm1& window) {
    RegistrationMenus menus;
    QMenuBar* bar = window.menuBar();
    bar->setFont(window.font());
    menus.group = bar->addMenu(QStringLiteral("&Группа"));
    window.GroupExport1 = new GroupExportCommands(window, *DM_MB);
    window.GroupExport1->addTo(*menus.group);
    return menus;
}

}  // namespace zev
