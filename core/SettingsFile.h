#pragma once

#include <QByteArray>
#include <QString>

namespace zev {

// The account, database and server of one sign-in attempt: first the fixed sign-in account from
// the settings file, then the user's own account that GET_USER hands back.
struct TFirstConnectInfo {
    QString User;      // "User ID"
    QString Password;  // "Password"
    QString Catalog;   // "Initial Catalog"
    QString Server;    // "Data Source"
};

// Every character replaced by the one whose Windows-1251 code is one higher, modulo 256 (a
// character outside the code page counts as '?'). The settings file and GET_USER store their
// account texts one code lower so that they are not legible at a glance.
QString ShiftText(const QString& text);

// A stored text of the settings file: each byte one code up (255 wraps to 0), read in the
// single-byte code page the file is written in (Windows-1251).
QString ShiftStoredBytes(const QByteArray& stored);

// The settings file holds exactly this many bytes of interest.
inline constexpr int kSettingsFileSize = 84;

// Decodes the first 84 bytes of a settings file: four 20-byte fields of shifted characters with
// their length bytes (a length above 20 takes the whole field). Throws Error when fewer than 84
// bytes are given.
TFirstConnectInfo ParseFirstConnectInfo(const QByteArray& bytes, const QString& fileName);

// Reads the settings file anew. Throws Error naming the file when it is missing, unreadable or
// shorter than 84 bytes.
TFirstConnectInfo ReadFirstConnectInfo(const QString& fileName);

// The 84 bytes of a settings file holding these texts, each byte stored one code lower. Throws
// Error when a text is longer than 20 characters or has no Windows-1251 form.
QByteArray EncodeFirstConnectInfo(const TFirstConnectInfo& info);

// Writes a settings file, making its folder when missing; throws Error naming the file on failure.
void WriteFirstConnectInfo(const QString& fileName, const TFirstConnectInfo& info);

// The connection string of the SQL Server provider for an account; a value that the text form
// would cut apart goes in braces.
QString ComposeConnectionString(const TFirstConnectInfo& info);

}  // namespace zev
