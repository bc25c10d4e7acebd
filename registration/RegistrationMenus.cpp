#include "registration/RegistrationMenus.h"

#include "data/DataModule.h"
#include "registration/GroupAssignmentCommands.h"
#include "registration/GroupExportCommands.h"
#include "registration/RegistrationWindow.h"
#include "widgets/Notices.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <functional>

namespace zev {

QAction* addMenuCommand(QMenu& menu, const QString& text, const QKeySequence& keys,
                        QObject& context, std::function<void()> command) {
    QAction* action = menu.addAction(text);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, &context,
                     [command = std::move(command)] { guarded(command); });
    return action;
}

RegistrationMenus buildRegistrationMenus(TForm1& window) {
    RegistrationMenus menus;
    QMenuBar* bar = window.menuBar();
    bar->setFont(window.font());
    menus.group = bar->addMenu(QStringLiteral("&Группа"));
    window.GroupExport1 = new GroupExportCommands(window, *DM_MB);
    window.GroupExport1->addTo(*menus.group);
    menus.group->addSeparator();
    window.GroupAssignment1 = new GroupAssignmentCommands(window, *DM_MB);
    window.GroupAssignment1->addTo(*menus.group);

    menus.record = bar->addMenu(QStringLiteral("&Запись"));
    menus.rowHistory = addMenuCommand(*menus.record, QStringLiteral("История &записи…"),
                                      QKeySequence(Qt::CTRL | Qt::Key_H), *menus.record,
                                      [&window] { window.showRowHistory(); });
    menus.studentHistory =
        addMenuCommand(*menus.record, QStringLiteral("История &студента…"),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), *menus.record,
                       [&window] { window.showStudentHistory(); });
    return menus;
}

}  // namespace zev
