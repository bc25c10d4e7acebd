#pragma once

class QMenu;

namespace zev {

class TForm1;

// The registration window's one menu bar. "Группа" holds what is done with the chosen group as
// a whole (its export and printed sheet, and the faculty's); each entry has a keyboard shortcut.
struct RegistrationMenus {
    QMenu* group = nullptr;  // "Группа"
};

// Builds the menu bar of the window and the commands behind its entries.
RegistrationMenus buildRegistrationMenus(TForm1& window);

}  // namespace zev
