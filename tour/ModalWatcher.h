#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zev::tour {

// Runs an action on the next modal window that the program opens with exec() (the sign-in
// window, a message box, the new-stream dialog), from inside that window's own event loop. The
// action must end the modal window, so that the call that opened it returns. A window that does
// not appear within a few seconds ends the tour with an error: the client did not do what the
// step expected.
void onNextModal(const QString& step, const std::function<void(QWidget& modal)>& action);

}  // namespace zev::tour
