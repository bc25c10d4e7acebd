#include "core/Cp1251.h"

#include "core/Errors.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zev {

namespace {

constexpr const char* kCodePage = "windows-1251";

// Qt builds its converters from ICU or its own tables; one without this code page would turn
// every letter into a substitute without a word, so its absence is an error the user sees.
void requireConverter() {
    static const bool available =
        QStringEncoder(kCodePage).isValid() && QStringDecoder(kCodePage).isValid();
    if (!available) {
        throw Error(QStringLiteral("Qt has no converter for the Windows-1251 code page"));
    }
}

}  // namespace

QByteArray toCp1251(const QString& text) {
    requireConverter();
    QStringEncoder encoder(kCodePage);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError()) {
        return bytes;
    }
    // The converter's own substitute is a control byte; encode character by character so that
    // whatever the code page lacks reads as '?'.
    bytes.clear();
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        QStringEncoder single(kCodePage);
        const QByteArray encoded = single.encode(QStringView(text).mid(i, length));
        bytes += single.hasError() ? QByteArray("?") : encoded;
        i += length - 1;
    }
    return bytes;
}

QString fromCp1251(const QByteArray& bytes) {
    requireConverter();
    QStringDecoder decoder(kCodePage);
    QString text = decoder.decode(bytes);
    return text;
}

bool fitsCp1251(const QString& text) {
    requireConverter();
    QStringEncoder encoder(kCodePage);
    // encode() converts lazily: only turning its result into bytes does the work.
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError();
}

QString toCp1251Repertoire(const QString& text) {
    return fitsCp1251(text) ? text : fromCp1251(toCp1251(text));
}

}  // namespace zev
