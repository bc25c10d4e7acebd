// ZEV 32: start-up. The command line first (--help and --version need no display); then the
// data module, with its connection closed; then the registration window, hidden, whose creation
// runs the sign-in; the window is shown only after a successful sign-in, otherwise the program
// ends without it.

#include "core/ProgramVersion.h"
#include "data/DataModule.h"
#include "registration/RegistrationWindow.h"
#include "signin/ApplicationState.h"
#include "signin/CommandLine.h"
#include "signin/LogFile.h"
#include "signin/ProgramOptions.h"
#include "signin/SettingsPlaces.h"
#include "widgets/LogCategories.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

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

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

void setIdentity() {
    // The application's name only: a display name would be appended to every window's title.
    QCoreApplication::setApplicationName(QStringLiteral("ZEV 32"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zev::kProgramVersionText));
}

// --help, --version and a refused command line: answered on the terminal, with Qt's Russian
// texts, without a display.
int answerOnTerminal(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    setIdentity();
    zev::loadQtRussianTranslations(app);
    const zev::ClientCommandLine commandLine =
        zev::parseClientCommandLine(QCoreApplication::arguments());
    const QByteArray text = commandLine.text.toLocal8Bit();
    if (commandLine.action == zev::ClientCommandLine::Action::Refuse) {
        std::fputs(text.constData(), stderr);
        return 2;
    }
    std::fputs(text.constData(), stdout);
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char* argv[]) {
    setIdentity();
    const zev::ClientCommandLine commandLine = zev::parseClientCommandLine(argumentsOf(argc, argv));
    if (commandLine.action != zev::ClientCommandLine::Action::Run) {
        return answerOnTerminal(argc, argv);
    }
    if (!displayReachable()) {
        std::fprintf(stderr,
                     "ZEV 32: no display to show the program's windows on (DISPLAY and "
                     "WAYLAND_DISPLAY are not set).\n");
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    setIdentity();
    zev::loadQtRussianTranslations(app);
    zev::setSettingsFileOverride(commandLine.settingsFile);
    const zev::ProgramOptions options = zev::readProgramOptions();
    zev::startLogFile(zev::defaultLogFolder(), options.logLevel);
    qCInfo(zev::lcInterface) << "ZEV 32" << zev::kProgramVersionText << "started; settings"
                             << (options.sourceFile.isEmpty() ? QStringLiteral("(defaults)")
                                                              : options.sourceFile);
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
    qCInfo(zev::lcInterface) << "ZEV 32 ended";
    return result;
}
