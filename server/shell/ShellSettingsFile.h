#pragma once

#include <QByteArray>
#include <QString>

namespace zev::shell {

// The four texts of the client's 84-byte connection settings file (Data/ZEV), decoded.
struct ShellSettings {
    QString user;
    QString password;
    QString server;
    QString catalog;
};

// Every stored character is one code lower than the real one, so each byte goes up by one,
// modulo 256.
QString shellShiftText(const QByteArray& stored);

// Decodes the first 84 bytes of a settings file; throws zev::Error when there are fewer.
ShellSettings decodeShellSettings(const QByteArray& bytes);

// Reads and decodes a settings file; throws zev::Error naming the file when it cannot be read.
ShellSettings readShellSettingsFile(const QString& path);

// The 84 bytes of a settings file holding these texts, each character stored one code lower.
// Throws zev::Error when a text is longer than 20 characters or has no single-byte form.
QByteArray encodeShellSettings(const ShellSettings& settings);

// Writes a settings file (its folder is made when missing); throws zev::Error on failure.
void writeShellSettingsFile(const QString& path, const ShellSettings& settings);

// The connection string in the client's own form: OLE DB keys, values unquoted.
QString shellConnectionString(const ShellSettings& settings);

}  // namespace zev::shell
