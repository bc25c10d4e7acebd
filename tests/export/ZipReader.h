#pragma once

// Reads the members of a ZIP archive (an .xlsx workbook), for checking what a writer made: the
// central directory names each member, its method (stored or deflated) and where it lies.

#include <QByteArray>
#include <QMap>
#include <QString>

#include <zlib.h>

#include <cstring>

namespace zev::testing {

inline quint32 le32(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 4 > b.size()) {
        return 0;
    }
    quint32 v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;  // the build machines are little-endian, as ZIP is
}

inline quint16 le16(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 2 > b.size()) {
        return 0;
    }
    quint16 v = 0;
    std::memcpy(&v, b.constData() + at, 2);
    return v;
}

inline QByteArray inflateRaw(const QByteArray& data, quint32 size) {
    QByteArray out(static_cast<qsizetype>(size), '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        return {};
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : QByteArray();
}

// Every member by name; an archive that cannot be read gives an empty map.
inline QMap<QString, QByteArray> zipMembers(const QByteArray& zip) {
    QMap<QString, QByteArray> members;
    qsizetype end = zip.lastIndexOf(QByteArrayLiteral("PK\x05\x06"));
    if (end < 0) {
        return members;
    }
    const int count = le16(zip, end + 10);
    qsizetype at = le32(zip, end + 16);
    for (int i = 0; i < count; ++i) {
        if (le32(zip, at) != 0x02014b50) {
            return {};
        }
        const quint16 method = le16(zip, at + 10);
        const quint32 packed = le32(zip, at + 20), size = le32(zip, at + 24);
        const quint16 nameLength = le16(zip, at + 28), extra = le16(zip, at + 30),
                      comment = le16(zip, at + 32);
        const quint32 local = le32(zip, at + 42);
        const QString name = QString::fromUtf8(zip.mid(at + 46, nameLength));
        const qsizetype data = local + 30 + le16(zip, local + 26) + le16(zip, local + 28);
        const QByteArray bytes = zip.mid(data, packed);
        members.insert(name, method == 0 ? bytes : inflateRaw(bytes, size));
        at += 46 + nameLength + extra + comment;
    }
    return members;
}

}  // namespace zev::testing
