#include "server/engine/StoredText.h"

#include "core/Cp1251.h"

#include <QByteArray>

namespace zev::server {

namespace {

bool continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

qsizetype decodeUtf8(const char* bytes, qsizetype size, char16_t* out) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype i = 0;
    qsizetype o = 0;
    while (i < size) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            out[o++] = lead;
            ++i;
            continue;
        }
        if (lead < 0xC2 || lead >= 0xF5) {
            // A continuation byte, the lead of an overlong two-byte form, or past U+10FFFF.
            return -1;
        }
        if (lead < 0xE0) {
            if (size - i < 2 || !continuation(s[i + 1])) {
                return -1;
            }
            out[o++] = static_cast<char16_t>((lead & 0x1F) << 6 | (s[i + 1] & 0x3F));
            i += 2;
        } else if (lead < 0xF0) {
            if (size - i < 3 || !continuation(s[i + 1]) || !continuation(s[i + 2])) {
                return -1;
            }
            const char32_t cp = char32_t(lead & 0x0F) << 12 | char32_t(s[i + 1] & 0x3F) << 6 |
                                char32_t(s[i + 2] & 0x3F);
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                return -1;
            }
            out[o++] = static_cast<char16_t>(cp);
            i += 3;
        } else {
            if (size - i < 4 || !continuation(s[i + 1]) || !continuation(s[i + 2]) ||
                !continuation(s[i + 3])) {
                return -1;
            }
            const char32_t cp = char32_t(lead & 0x07) << 18 | char32_t(s[i + 1] & 0x3F) << 12 |
                                char32_t(s[i + 2] & 0x3F) << 6 | char32_t(s[i + 3] & 0x3F);
            if (cp < 0x10000 || cp > 0x10FFFF) {
                return -1;
            }
            out[o++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out[o++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            i += 4;
        }
    }
    return o;
}

void readStoredText(const char* bytes, int size, QString& into) {
    // UTF-16 never needs more characters than UTF-8 has bytes.
    into.resize(size);
    const qsizetype written =
        size > 0 ? decodeUtf8(bytes, size, reinterpret_cast<char16_t*>(into.data())) : 0;
    if (written < 0) {
        into = fromCp1251(QByteArray(bytes, size));
        return;
    }
    const bool byteOrderMark = written > 0 && into.at(0) == QChar(0xFEFF);
    into.resize(written);
    if (byteOrderMark) {
        into.remove(0, 1);
    }
}

QString storedText(const char* bytes, int size) {
    QString text;
    readStoredText(bytes, size, text);
    return text;
}

}  // namespace zev::server
