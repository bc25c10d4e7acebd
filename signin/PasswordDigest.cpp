#include "signin/PasswordDigest.h"

#include "core/Errors.h"

#include <QStringEncoder>

namespace zev {

QByteArray MD5Context::finish() {
    QByteArray digest = hash_.result();
    hash_.reset();
    return digest;
}

QByteArray passwordBytes(const QString& text) {
    // Qt's ICU-backed converter knows Windows-1251; a fresh encoder per call keeps its error
    // state to this text alone.
    QStringEncoder encoder("windows-1251");
    if (!encoder.isValid()) {
        throw Error(
            QStringLiteral("Кодировка Windows-1251 недоступна: пароль нельзя зашифровать."));
    }
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        throw Error(
            QStringLiteral("Пароль содержит символы, которых нет в кодировке Windows-1251.\r"
                           "Используйте русские или латинские буквы, цифры и знаки препинания."));
    }
    return bytes;
}

QByteArray MD5String(const QString& text) {
    MD5Context context;
    context.update(passwordBytes(text));
    return context.finish();
}

QString DigestHex(const QString& text) {
    return QString::fromLatin1(MD5String(text).toHex()).toUpper();
}

}  // namespace zev
