#pragma once

#include <QString>

namespace zev {

// The folder that holds the running program file: the first place of the settings file
// ("Data/ZEV", see SettingsPlaces.h) and where the self-update puts its script and temporary
// folder. Tests may point it elsewhere.
QString ProgramFolder();
void setProgramFolder(const QString& folder);  // an empty folder restores the program's own

}  // namespace zev
