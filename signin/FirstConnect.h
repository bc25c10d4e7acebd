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

// Every character replaced by the one whose code is one higher, modulo 256. The settings file and
// GET_USER store their account texts one code lower so that they are not legible at a glance.
QString ShiftText(const QString& text);

// The settings file holds exactly this many bytes of interest.
inline constexpr int kSettingsFileSize = 84;

// Decodes the first 84 bytes of a settings file: four 20-byte fields of shifted characters with
// their length bytes (a length above 20 takes the whole field). Throws Error when fewer than 84
// bytes are given.
TFirstConnectInfo ParseFirstConnectInfo(const QByteArray& bytes, const QString& fileName);

// Reads the settings file anew. Throws Error naming the file when it is missing, unreadable or
// shorter than 84 bytes.
TFirstConnectInfo ReadFirstConnectInfo(const QString& fileName);

// The connection string of the SQL Server provider for an account, joined with no quoting.
QString ComposeConnectionString(const TFirstConnectInfo& info);

}  // namespace zev
