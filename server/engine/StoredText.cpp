#include "server/engine/StoredText.h"

#include "core/Cp1251.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace zev::server {

QString storedText(const char* bytes, int size) {
    const QByteArrayView view(bytes, size);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        return text;
    }
    return fromCp1251(view.toByteArray());
}

}  // namespace zev::server
