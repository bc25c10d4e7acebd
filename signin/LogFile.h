#pragma once

#include <QString>

namespace zev {

// The client's log: every message of Qt's logging (the program's categories, see
// widgets/LogCategories.h, and Qt's own warnings) goes, with its time, level and category, to
// the file zev32.log in the log folder instead of the terminal. When the file grows past
// kLogFileLimit it is renamed zev32.log.1 (the older ones move up to .3, the oldest is dropped)
// and a new one is begun.
inline constexpr qint64 kLogFileLimit = qint64{1024} * 1024;

// $XDG_STATE_HOME/zev32 (~/.local/state/zev32 when unset); the program's folder on Windows.
QString defaultLogFolder();

// The file the log is written to in a folder.
QString logFilePath(const QString& folder);

// Starts logging into the folder (made when missing) at the given level ("debug", "info",
// "warning" or "critical"): the program's categories keep messages of that severity and above.
// Answers false when the folder or the file cannot be made; messages then go to the terminal.
bool startLogFile(const QString& folder, const QString& level);

// Ends logging into the file: messages go to the terminal again.
void stopLogFile();

}  // namespace zev
