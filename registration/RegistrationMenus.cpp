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

namespace {

QAction* addCommand(QMenu& menu, const QString& text, const QKeySequence& shortcut,
                    std::function<void()> handler) {
    QAction* action = menu.addAction(text);
    action->setShortcut(shortcut);
    // A shortcut of the whole window: it works in the grids and the drop-downs alike.
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, &menu,
                     [handler = std::move(handler)] { guarded(handler); });
    return action;
}

}  // namespace

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
    menus.rowHistory =
        addCommand(*menus.record, QStringLiteral("История &записи…"),
                   QKeySequence(Qt::CTRL | Qt::Key_H), [&window] { window.showRowHistory(); });
    menus.studentHistory = addCommand(*menus.record, QStringLiteral("История &студента…"),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H),
                                      [&window] { window.showStudentHistory(); });
    return menus;
}

}  // namespace zev
