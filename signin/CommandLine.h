#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace zev {

// The client's command line: --help, --version and --settings FILE (the connection settings file
// to use instead of looking for one; see SettingsPlaces.h).
struct ClientCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Run;
    QString settingsFile;  // empty: look for one
    QString text;          // the help, the version or the reason for refusing, for the terminal
};

// Parses the arguments (the program's name first). Works before any application object exists;
// the texts are in the language of the translations loaded at the time.
ClientCommandLine parseClientCommandLine(const QStringList& arguments);

// "ZEV 32 1": the program's name and the one version number of the build.
QString versionLine(const QString& programName);

// Loads Qt's own Russian texts (buttons, standard dialogs, the command line's help) from Qt's
// translations folder (Debian: qt6-translations-l10n) into the application. Answers whether they
// were found.
bool loadQtRussianTranslations(QCoreApplication& application);

}  // namespace zev
