// ZEV 32: start-up. The data module first, with its connection closed; then the registration
// window, hidden, whose creation runs the sign-in; the window is shown only after a successful
// sign-in, otherwise the program ends without it.

#include "data/DM.h"
#include "registration/Unit1.h"
#include "signin/ApplicationState.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <QByteArray>
#endif

namespace {

// Without a display the windowing library would abort; say so plainly instead. A platform
// chosen through QT_QPA_PLATFORM (offscreen, for instance) is left to Qt.
bool displayReachable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return true;
    }
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!displayReachable()) {
        std::fprintf(stderr,
                     "ZEV 32: no display to show the program's windows on (DISPLAY and "
                     "WAYLAND_DISPLAY are not set).\n");
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEV 32"));
    QApplication::setApplicationDisplayName(
        QStringLiteral("ZEV 32 Регистратор предметов по выбору"));
    zev::ApplicationState::setShowMainForm(false);

    auto dataModule = std::make_unique<zev::TDM_MB>();
    auto registration = std::make_unique<zev::TForm1>();
    if (zev::ApplicationState::terminated()) {
        return EXIT_SUCCESS;
    }
    if (zev::ApplicationState::showMainForm()) {
        registration->show();
    }
    const int result = QApplication::exec();
    // The windows go before the data module whose datasets they show.
    registration.reset();
    dataModule.reset();
    return result;
}
