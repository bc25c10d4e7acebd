#pragma once

#include <functional>

class QAction;
class QKeySequence;
class QMenu;
class QObject;
class QString;

namespace zev {

class TForm1;

// The registration window's one menu bar. "Группа" holds what is done with the chosen group as
// a whole (its export and printed sheet, and the faculty's; one elective place assigned to its
// students, "Назначить группе…", Ctrl+G); "Запись" the history of the current
// row of the focused grid ("История записи…", Ctrl+H) and of the chosen student ("История
// студента…", Ctrl+Shift+H). Each entry has a keyboard shortcut that works wherever the focus is
// in the window.
struct RegistrationMenus {
    QMenu* group = nullptr;             // "Группа"
    QMenu* record = nullptr;            // "Запись"
    QAction* rowHistory = nullptr;      // "История записи…"
    QAction* studentHistory = nullptr;  // "История студента…"
};

// Builds the menu bar of the window and the commands behind its entries.
RegistrationMenus buildRegistrationMenus(TForm1& window);

// Adds an entry with its keys to a menu of the window. The shortcut works wherever the focus is
// in the window (the grids and the drop-downs alike); the command runs as an event handler, its
// errors shown by the general error display, for as long as `context` lives.
QAction* addMenuCommand(QMenu& menu, const QString& text, const QKeySequence& keys,
                        QObject& context, std::function<void()> command);

}  // namespace zev
