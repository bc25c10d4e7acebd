#pragma once

namespace zev {

// The application-wide flags of start-up: whether the main window may be shown once the message
// loop runs, and whether the application has been told to end (which ends a modal run with Cancel
// and keeps the message loop from starting).
class ApplicationState {
public:
    static bool showMainForm();
    static void setShowMainForm(bool show);

    static bool terminated();
    // Tells the application to end: a running message loop quits, a later one never starts.
    static void terminate();

    // Back to the state of a fresh start; for programs that sign in more than once (tests).
    static void reset();
};

}  // namespace zev
