#pragma once

#include <QString>
#include <QStringList>

namespace zev {

// Where the connection settings file "ZEV" and the optional program settings "zev32.ini" are
// looked for, in this order:
//   1. beside the program: <program folder>/Data/ (a portable or Windows install);
//   2. the user's configuration: $XDG_CONFIG_HOME/zev32/ (~/.config/zev32/ when unset);
//   3. the workstation's configuration: /etc/zev32/ (a packaged install).
// A file named on the command line (--settings FILE) replaces the search for the settings file.
QStringList settingsFolders();

// The settings file of this run: the one named on the command line, else the first of the
// folders above that holds one. Throws Error naming every place looked at when there is none.
QString findSettingsFile();

// Every settings file path that findSettingsFile() considers, in order.
QStringList settingsFileCandidates();

// The program settings file (zev32.ini) of this run: beside the chosen settings file first, then
// the folders above; empty when there is none (the defaults apply).
QString findProgramSettingsFile();

// The settings file named on the command line; an empty name restores the search.
void setSettingsFileOverride(const QString& file);

// The workstation's configuration folder (/etc/zev32); tests point it elsewhere.
QString systemSettingsFolder();
void setSystemSettingsFolder(const QString& folder);  // an empty folder restores /etc/zev32

}  // namespace zev
