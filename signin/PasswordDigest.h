#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

namespace zev {

// The standard MD5 digest (RFC 1321) in three steps: start a context, feed bytes, finish.
class MD5Context {
public:
    void update(const QByteArray& bytes) { hash_.addData(bytes); }
    // The 16 digest bytes; the context starts over afterwards.
    QByteArray finish();

private:
    QCryptographicHash hash_{QCryptographicHash::Md5};
};

// The bytes that a password stands for: one byte per character in Windows-1251, the code page in
// which the server's stored digests were taken. Throws Error when the text holds a character that
// Windows-1251 cannot represent: such a character has no byte of its own, and substituting one
// would let two different passwords share a digest.
QByteArray passwordBytes(const QString& text);

// The 16-byte MD5 digest of a text's Windows-1251 bytes.
QByteArray MD5String(const QString& text);

// The digest as 32 upper-case hexadecimal digits, first digest byte first; what the server stores
// and compares. Throws Error for a character outside Windows-1251 (see passwordBytes).
QString DigestHex(const QString& text);

}  // namespace zev
