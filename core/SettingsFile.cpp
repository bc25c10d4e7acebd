#include "core/SettingsFile.h"

#include "core/ConnectionSettings.h"
#include "core/Cp1251.h"
#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zev {

namespace {

constexpr int kFieldSize = 20;

// One text of the file: the first `length` bytes of its 20-byte field, shifted back.
QString fieldText(const QByteArray& bytes, int offset, int lengthOffset) {
    const int length =
        std::min(static_cast<int>(static_cast<unsigned char>(bytes[lengthOffset])), kFieldSize);
    return ShiftStoredBytes(bytes.mid(offset, length));
}

// A text's 20-byte field: its bytes one code lower, padded with zero bytes.
QByteArray storedField(const QString& text, const char* what) {
    if (!fitsCp1251(text)) {
        throw Error(QStringLiteral("The %1 has characters that the settings file cannot hold")
                        .arg(QString::fromLatin1(what)));
    }
    QByteArray stored = toCp1251(text);
    if (stored.size() > kFieldSize) {
        throw Error(QStringLiteral("The %1 is longer than %2 characters")
                        .arg(QString::fromLatin1(what))
                        .arg(kFieldSize));
    }
    for (char& c : stored) {
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);
    }
    return stored.leftJustified(kFieldSize, '\0');
}

}  // namespace

QString ShiftText(const QString& text) {
    // The codes are those of Windows-1251, the program's code page: a Cyrillic letter moves to
    // the next letter of that code page, not to a Unicode code below 256.
    return ShiftStoredBytes(toCp1251(text));
}

QString ShiftStoredBytes(const QByteArray& stored) {
    QByteArray shifted = stored;
    for (char& c : shifted) {
        c = static_cast<char>(static_cast<unsigned char>(c) + 1);  // 255 wraps to 0
    }
    return fromCp1251(shifted);
}

TFirstConnectInfo ParseFirstConnectInfo(const QByteArray& bytes, const QString& fileName) {
    if (bytes.size() < kSettingsFileSize) {
        throw Error(QStringLiteral("Файл настроек соединения \"%1\" повреждён: в нём %2 байт "
                                   "вместо %3.")
                        .arg(QDir::toNativeSeparators(fileName))
                        .arg(bytes.size())
                        .arg(kSettingsFileSize));
    }
    TFirstConnectInfo info;
    info.User = fieldText(bytes, 0, 40);
    info.Password = fieldText(bytes, 20, 41);
    info.Server = fieldText(bytes, 42, 82);
    info.Catalog = fieldText(bytes, 62, 83);
    return info;
}

TFirstConnectInfo ReadFirstConnectInfo(const QString& fileName) {
    // A named pipe, a device or a folder under that name would block the read or never end it:
    // only a regular file (or a link to one) is read.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile()) {
        throw Error(QStringLiteral("Файл настроек соединения \"%1\" не является обычным файлом.")
                        .arg(QDir::toNativeSeparators(fileName)));
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(QStringLiteral("Не удалось открыть файл настроек соединения \"%1\": %2")
                        .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    }
    return ParseFirstConnectInfo(file.read(kSettingsFileSize), fileName);
}

QByteArray EncodeFirstConnectInfo(const TFirstConnectInfo& info) {
    const QByteArray user = storedField(info.User, "login name");
    const QByteArray password = storedField(info.Password, "password");
    const QByteArray server = storedField(info.Server, "server name");
    const QByteArray catalog = storedField(info.Catalog, "database name");
    const auto length = [](const QString& text) {
        return static_cast<char>(toCp1251(text).size());
    };
    QByteArray bytes = user + password;
    bytes += length(info.User);
    bytes += length(info.Password);
    bytes += server + catalog;
    bytes += length(info.Server);
    bytes += length(info.Catalog);
    return bytes;
}

void WriteFirstConnectInfo(const QString& fileName, const TFirstConnectInfo& info) {
    const QByteArray bytes = EncodeFirstConnectInfo(info);
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw Error(QStringLiteral("Cannot write the settings file %1: %2")
                        .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    }
}

QString ComposeConnectionString(const TFirstConnectInfo& info) {
    // A value that holds ';', '=', a brace or outer blanks goes in braces, so that it reaches the
    // server whole; any other value stands as it is.
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + quoteConnectionValue(info.Password) +
           QStringLiteral(";Persist Security Info=True;User ID=") +
           quoteConnectionValue(info.User) + QStringLiteral(";Initial Catalog=") +
           quoteConnectionValue(info.Catalog) + QStringLiteral(";Data Source=") +
           quoteConnectionValue(info.Server) +
           QStringLiteral(";Use Procedure for Prepare=1;Auto Translate=True;") +
           QStringLiteral("Packet Size=4096;Use Encryption for Data=False;") +
           QStringLiteral("Tag with column collation when possible=False");
}

}  // namespace zev
