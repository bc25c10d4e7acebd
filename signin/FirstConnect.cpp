#include "signin/FirstConnect.h"

#include "data/Errors.h"

#include <QDir>
#include <QFile>

namespace zev {

namespace {

// One text of the file: the first `length` bytes of its 20-byte field, each byte one character
// (codes 0 to 255), then shifted back to the real text.
QString fieldText(const QByteArray& bytes, int offset, int lengthOffset) {
    constexpr int kFieldSize = 20;
    const int length =
        std::min(static_cast<int>(static_cast<unsigned char>(bytes[lengthOffset])), kFieldSize);
    return ShiftText(QString::fromLatin1(bytes.constData() + offset, length));
}

}  // namespace

QString ShiftText(const QString& text) {
    QString shifted(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        shifted[i] = QChar(static_cast<char16_t>((text[i].unicode() + 1) % 256));
    }
    return shifted;
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
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(QStringLiteral("Не удалось открыть файл настроек соединения \"%1\": %2")
                        .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    }
    return ParseFirstConnectInfo(file.read(kSettingsFileSize), fileName);
}

QString ComposeConnectionString(const TFirstConnectInfo& info) {
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + info.Password +
           QStringLiteral(";Persist Security Info=True;User ID=") + info.User +
           QStringLiteral(";Initial Catalog=") + info.Catalog + QStringLiteral(";Data Source=") +
           info.Server + QStringLiteral(";Use Procedure for Prepare=1;Auto Translate=True;") +
           QStringLiteral("Packet Size=4096;Use Encryption for Data=False;") +
           QStringLiteral("Tag with column collation when possible=False");
}

}  // namespace zev
