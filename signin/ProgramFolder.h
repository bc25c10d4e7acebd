#pragma once

#include <QString>

namespace zev {

// The folder that holds the running program file: where the settings file "Data/ZEV" lies and
// where the self-update puts its script and temporary folder. Tests may point it elsewhere.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);  // an empty folder restores the program's own

// <program folder>/Data/ZEV
QString SettingsFilePath();

}  // namespace zev
