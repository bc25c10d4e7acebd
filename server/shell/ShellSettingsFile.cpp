#include "server/shell/ShellSettingsFile.h"

#include "core/Errors.h"
#include "core/SettingsFile.h"

namespace zev::shell {

namespace {

ShellSettings fromInfo(const TFirstConnectInfo& info) {
    return {info.User, info.Password, info.Server, info.Catalog};
}

TFirstConnectInfo toInfo(const ShellSettings& s) {
    TFirstConnectInfo info;
    info.User = s.user;
    info.Password = s.password;
    info.Server = s.server;
    info.Catalog = s.catalog;
    return info;
}

}  // namespace

// The file's format is the client's own (signin/SettingsFile): the shell reads and writes it
// through the same code, so that both always agree.

QString shellShiftText(const QByteArray& stored) {
    return ShiftStoredBytes(stored);
}

ShellSettings decodeShellSettings(const QByteArray& bytes) {
    return fromInfo(ParseFirstConnectInfo(bytes, QStringLiteral("ZEV")));
}

ShellSettings readShellSettingsFile(const QString& path) {
    try {
        return fromInfo(ReadFirstConnectInfo(path));
    } catch (const Error& e) {
        throw Error(QStringLiteral("Cannot read the settings file %1: %2").arg(path, e.text()));
    }
}

QByteArray encodeShellSettings(const ShellSettings& settings) {
    return EncodeFirstConnectInfo(toInfo(settings));
}

void writeShellSettingsFile(const QString& path, const ShellSettings& settings) {
    WriteFirstConnectInfo(path, toInfo(settings));
}

QString shellConnectionString(const ShellSettings& settings) {
    return ComposeConnectionString(toInfo(settings));
}

}  // namespace zev::shell
