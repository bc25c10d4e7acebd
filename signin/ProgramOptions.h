#pragma once

#include <QString>
#include <QUrl>

namespace zev {

// The optional program settings file zev32.ini (found where the settings file is, see
// SettingsPlaces.h), read through QSettings. Every key may be missing:
//
//   [update]
//   address=https://updates.example.edu/zevprogs/   ; the folder the program's successor is in
//   [log]
//   level=info                                      ; debug, info, warning or critical
struct ProgramOptions {
    QUrl updateFolder;   // where the update's files are published (a folder, ends with '/')
    QString logLevel;    // the least severe message the log keeps
    QString sourceFile;  // the ini file read, empty when none was found
};

// The update folder used when the settings say nothing.
QUrl defaultUpdateFolder();

// Reads the program settings of this run (the defaults when there is no file).
ProgramOptions readProgramOptions();

// Reads the given ini file; a missing file gives the defaults.
ProgramOptions readProgramOptions(const QString& iniFile);

}  // namespace zev
