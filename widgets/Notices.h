#pragma once

#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace zev {

enum class NoticeIcon { Information, Warning, Error, Question };

// Every message box of the program and the application's general error display go through the
// one Notices object, so that tests can record the texts and give the answers.
// Texts of several lines are joined with a carriage return (character 13), as the program
// composes them; the on-screen implementation shows each as a line break.
class Notices {
public:
    virtual ~Notices() = default;

    // A modal box with one OK button.
    virtual void message(QWidget* owner, const QString& text, const QString& caption,
                         NoticeIcon icon) = 0;
    // A modal Yes/No question with the question icon; true for Yes.
    virtual bool askYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
    // The application's general error display: shows the error's own text.
    virtual void showError(const QString& text) = 0;

    // The process-wide instance; a QMessageBox implementation unless one was installed.
    static Notices& instance();
    // Installs another implementation (not owned); nullptr restores the on-screen one.
    static void install(Notices* notices);
};

// The application's title: the caption of the general error display and of the main window.
QString applicationTitle();

// Gives a modal window the frame of a dialog: a title and a close button, no minimise or
// maximise button. A modal window minimised on its own would leave its blocked owner with no way
// back to it.
void useDialogFrame(QWidget& dialog);

// Shows the notice with the caption "Уведомление" and an OK button.
void notify(QWidget* owner, const QString& text, NoticeIcon icon = NoticeIcon::Information);

// Shows an exception caught at an event boundary through the general error display; a silent
// abort shows nothing.
void showException(std::exception_ptr error);

// Runs an event handler so that no exception crosses the event loop: errors go to the general
// error display, silent aborts are dropped.
template <class Handler>
void guarded(Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        showException(std::current_exception());
    }
}

}  // namespace zev
