#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

namespace zev {

// Where the program's successor is published: the update web server's fixed path
// "/zevprogs/ZEV 32.exe". The host is the university's update server; tests point it elsewhere.
QUrl UpdateSourceUrl();
void SetUpdateSourceUrl(const QUrl& url);

// The names of the update, all in the program's folder.
struct UpdatePaths {
    QString programFolder;
    QString tempFolder() const;      // <folder>/tempZEV
    QString downloadedFile() const;  // <folder>/tempZEV/ZEV 32[.exe]
    QString scriptFile() const;      // <folder>/ZEV 32.bat on Windows, <folder>/ZEV 32.sh elsewhere
};

// The update script of this platform: the Windows command script or the POSIX shell script.
// Both wait (pausing a second between attempts, at most about a minute) until the old program
// file can be removed, put the downloaded file in its place, remove the temporary folder and start
// the new program. The shell script takes the running program's process id as its argument.
QByteArray WindowsUpdateScript();
QByteArray PosixUpdateScript();
QByteArray UpdateScript();

// Writes the script completely, replacing any earlier one. Throws Error when it cannot.
void WriteUpdateScript(const QString& scriptFile);

// Starts the script hidden and detached, with the program's folder as its working folder.
// Answers whether it could be started.
bool StartUpdateScript(const QString& scriptFile, const QString& programFolder);

// Progress of a download: bytes received so far and the announced total (-1 when unknown).
using DownloadProgress = std::function<void(qint64 received, qint64 total)>;

// Fetches url into targetFile, streaming it to disk. True only for an HTTP success status with at
// least one byte of content; on false the target file is removed, so that an error page or an
// empty answer is never taken for the program. Throws Error when the target file cannot be created
// or written. Waits for the network without letting the user act on the windows.
bool DownloadFile(const QUrl& url, const QString& targetFile,
                  const DownloadProgress& progress = {});

}  // namespace zev
