#pragma once

#include "signin/UpdateChecks.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

namespace zev {

// The name under which the program's successor for this platform is published: "ZEV 32.exe" on
// Windows, "ZEV 32-linux-x86_64" (the processor architecture) on Linux.
QString updateFileName();

// Where the program's successor is published: the update folder of the program settings
// (zev32.ini, "http://zev-update.local/zevprogs/" by default) followed by updateFileName().
// Tests point it elsewhere; an empty url restores the settings' address.
QUrl updateSourceUrl();
void setUpdateSourceUrl(const QUrl& url);

// The address of a file published beside the program file: "<program url><suffix>".
QUrl publishedBeside(const QUrl& programUrl, const QString& suffix);

// The names of the update, all in the program's folder.
struct UpdatePaths {
    QString programFolder;
    QString tempFolder() const;      // <folder>/tempZEV
    QString downloadedFile() const;  // <folder>/tempZEV/ZEV 32[.exe]
    QString checksumFile() const;    // <folder>/tempZEV/ZEV 32[.exe].sha256
    QString signatureFile() const;   // <folder>/tempZEV/ZEV 32[.exe].sig
    QString scriptFile() const;      // <folder>/ZEV 32.bat on Windows, <folder>/ZEV 32.sh elsewhere
};

// The update script of this platform: the Windows command script or the POSIX shell script.
// Both wait (pausing a second between attempts, at most about a minute) until the old program
// file can be removed, put the downloaded file in its place, remove the temporary folder and start
// the new program. The shell script takes the running program's process id as its argument.
QByteArray windowsUpdateScript();
QByteArray posixUpdateScript();
QByteArray updateScript();

// Writes the script completely, replacing any earlier one. Throws Error when it cannot.
void writeUpdateScript(const QString& scriptFile);

// Starts the script hidden and detached, with the program's folder as its working folder.
// Answers whether it could be started.
bool startUpdateScript(const QString& scriptFile, const QString& programFolder);

// Progress of a download: bytes received so far and the announced total (-1 when unknown).
using DownloadProgress = std::function<void(qint64 received, qint64 total)>;

// Fetches url into targetFile, streaming it to disk. True only for an HTTP success status with at
// least one byte of content; on false the target file is removed, so that an error page or an
// empty answer is never taken for the program. Throws Error when the target file cannot be created
// or written. Waits for the network without letting the user act on the windows.
bool DownloadFile(const QUrl& url, const QString& targetFile,
                  const DownloadProgress& progress = {});

// True when files can be created in the folder (and the program file there, if any, replaced):
// the self-update needs that. A packaged install under /usr or /opt is not writable for users.
bool folderIsWritable(const QString& folder);

// The outcome of fetching and checking a successor.
struct FetchedUpdate {
    enum class Outcome { Ready, Unreachable, Refused };
    Outcome outcome = Outcome::Unreachable;
    QString failure;  // for Refused: the check that failed, for the user
};

// Downloads the program file, its checksum and (when a release key is given) its signature into
// the temporary folder and runs the update checks on them. Only Ready leaves the downloaded file
// in place; any other outcome removes the temporary folder, so that nothing can be installed.
// Throws Error when the files cannot be written (the temporary folder is removed as well).
FetchedUpdate fetchUpdate(const QUrl& programUrl, const UpdatePaths& paths,
                          const QByteArray& releasePublicKey,
                          const DownloadProgress& progress = {});

}  // namespace zev
