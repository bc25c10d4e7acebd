#include "server/shell/ShellSettingsFile.h"

#include "data/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace zev::shell {

namespace {

constexpr int kSettingsFileSize = 84;
constexpr int kFieldSize = 20;

// The file holds single-byte characters of the client's code page.
QString decodeCodePage(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1251");
    if (decoder.isValid()) {
        return decoder.decode(bytes);
    }
    return QString::fromLatin1(bytes);
}

QByteArray encodeCodePage(const QString& text, const char* what) {
    QStringEncoder encoder("windows-1251");
    QByteArray bytes;
    if (encoder.isValid()) {
        bytes = encoder.encode(text);
        if (encoder.hasError()) {
            bytes.clear();
        }
    } else if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; })) {
        bytes = text.toLatin1();
    }
    if (bytes.isEmpty() && !text.isEmpty()) {
        throw Error(QStringLiteral("The %1 has characters that the settings file cannot hold")
                        .arg(QString::fromLatin1(what)));
    }
    if (bytes.size() > kFieldSize) {
        throw Error(QStringLiteral("The %1 is longer than %2 characters")
                        .arg(QString::fromLatin1(what))
                        .arg(kFieldSize));
    }
    return bytes;
}

// A text's field: the characters one code lower, padded to 20 bytes.
QByteArray storedField(const QByteArray& bytes) {
    QByteArray stored = bytes;
    for (char& c : stored) {
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);
    }
    return stored.leftJustified(kFieldSize, '\0');
}

QString field(const QByteArray& bytes, int offset, int lengthOffset) {
    const int length = std::min<int>(static_cast<unsigned char>(bytes[lengthOffset]), kFieldSize);
    return shellShiftText(bytes.mid(offset, length));
}

}  // namespace

QString shellShiftText(const QByteArray& stored) {
    QByteArray shifted = stored;
    for (char& c : shifted) {
        c = static_cast<char>(static_cast<unsigned char>(c) + 1);  // 255 wraps to 0
    }
    return decodeCodePage(shifted);
}

ShellSettings decodeShellSettings(const QByteArray& bytes) {
    if (bytes.size() < kSettingsFileSize) {
        throw Error(QStringLiteral("The settings file is %1 bytes long; it must hold at least %2")
                        .arg(bytes.size())
                        .arg(kSettingsFileSize));
    }
    ShellSettings settings;
    settings.user = field(bytes, 0, 40);
    settings.password = field(bytes, 20, 41);
    settings.server = field(bytes, 42, 82);
    settings.catalog = field(bytes, 62, 83);
    return settings;
}

ShellSettings readShellSettingsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(
            QStringLiteral("Cannot read the settings file %1: %2").arg(path, file.errorString()));
    }
    try {
        return decodeShellSettings(file.read(kSettingsFileSize));
    } catch (const Error& e) {
        throw Error(path + QStringLiteral(": ") + e.text());
    }
}

QByteArray encodeShellSettings(const ShellSettings& s) {
    const QByteArray user = encodeCodePage(s.user, "login name");
    const QByteArray password = encodeCodePage(s.password, "password");
    const QByteArray server = encodeCodePage(s.server, "server name");
    const QByteArray catalog = encodeCodePage(s.catalog, "database name");
    QByteArray bytes = storedField(user) + storedField(password);
    bytes += static_cast<char>(user.size());
    bytes += static_cast<char>(password.size());
    bytes += storedField(server) + storedField(catalog);
    bytes += static_cast<char>(server.size());
    bytes += static_cast<char>(catalog.size());
    return bytes;
}

void writeShellSettingsFile(const QString& path, const ShellSettings& settings) {
    const QByteArray bytes = encodeShellSettings(settings);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw Error(
            QStringLiteral("Cannot write the settings file %1: %2").arg(path, file.errorString()));
    }
}

QString shellConnectionString(const ShellSettings& s) {
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + s.password +
           QStringLiteral(";Persist Security Info=True;User ID=") + s.user +
           QStringLiteral(";Initial Catalog=") + s.catalog + QStringLiteral(";Data Source=") +
           s.server +
           QStringLiteral(
               ";Use Procedure for Prepare=1;Auto Translate=True;"
               "Packet Size=4096;Use Encryption for Data=False;"
               "Tag with column collation when possible=False");
}

}  // namespace zev::shell
