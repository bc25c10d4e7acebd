#include "server/engine/TextCollation.h"

#include "server/engine/StoredText.h"

#include <QByteArrayView>
#include <QChar>
#include <QString>

#include <optional>

namespace zev::server {

namespace {

int withoutTrailingBlanks(const char* bytes, int size) {
    while (size > 0 && bytes[size - 1] == ' ') {
        --size;
    }
    return size;
}

// The next code point of text already known to be valid UTF-8; nothing when it lies beyond the
// Basic Multilingual Plane, where UTF-16's order (which the slow path follows) differs from the
// order of code points.
std::optional<char32_t> nextCodePoint(const unsigned char* s, int& i) {
    const unsigned char lead = s[i];
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    if (lead < 0xE0) {
        const char32_t cp = (char32_t(lead & 0x1F) << 6) | (s[i + 1] & 0x3F);
        i += 2;
        return cp;
    }
    if (lead < 0xF0) {
        const char32_t cp =
            (char32_t(lead & 0x0F) << 12) | (char32_t(s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
        i += 3;
        return cp;
    }
    return std::nullopt;
}

char32_t folded(char32_t cp) {
    if (cp < 0x80) {
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    }
    return QChar::toCaseFolded(cp);
}

// Code point by code point, as QString::compare(Qt::CaseInsensitive) orders the decoded texts;
// nothing when a side leaves the fast path's ground.
std::optional<int> compareUtf8(const char* left, int leftSize, const char* right, int rightSize) {
    if (!QByteArrayView(left, leftSize).isValidUtf8() ||
        !QByteArrayView(right, rightSize).isValidUtf8()) {
        return std::nullopt;
    }
    const auto* a = reinterpret_cast<const unsigned char*>(left);
    const auto* b = reinterpret_cast<const unsigned char*>(right);
    int i = 0;
    int j = 0;
    while (i < leftSize && j < rightSize) {
        const std::optional<char32_t> ca = nextCodePoint(a, i);
        const std::optional<char32_t> cb = nextCodePoint(b, j);
        if (!ca || !cb) {
            return std::nullopt;
        }
        const char32_t fa = folded(*ca);
        const char32_t fb = folded(*cb);
        if (fa != fb) {
            return fa < fb ? -1 : 1;
        }
    }
    // One side is a prefix of the other; the rest of the longer side may still hold a code
    // point the fast path does not order, but a longer text sorts after its prefix either way.
    if (i < leftSize) {
        return 1;
    }
    return j < rightSize ? -1 : 0;
}

}  // namespace

int compareTextIgnoringCase(const char* left, int leftSize, const char* right, int rightSize) {
    leftSize = withoutTrailingBlanks(left, leftSize);
    rightSize = withoutTrailingBlanks(right, rightSize);
    if (const std::optional<int> order = compareUtf8(left, leftSize, right, rightSize)) {
        return *order;
    }
    const int order = QString::compare(storedText(left, leftSize), storedText(right, rightSize),
                                       Qt::CaseInsensitive);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace zev::server
