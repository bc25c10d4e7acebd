#include "gridevents/GridPayload.h"

#include "core/Cp1251.h"

namespace zev {

PastedRows decodeGridPayload(const QByteArray& payload, int valuesPerRow) {
    PastedRows out;
    // The payload is read as a NUL-terminated block: a lone terminator after the last row ends it.
    const QByteArray block = payload + '\0';
    qsizetype start = 0;
    while (start < block.size() && !(start == block.size() - 1 && block[start] == '\0')) {
        const qsizetype rowEnd = block.indexOf(kRowEnd, start);
        if (rowEnd < 0) {
            out.unfinished = true;
            break;
        }
        std::vector<QString> values;
        values.reserve(static_cast<size_t>(std::max(valuesPerRow, 0)));
        qsizetype position = start;
        for (int i = 0; i < valuesPerRow; ++i) {
            const qsizetype valueEnd = block.indexOf(kValueEnd, position);
            if (valueEnd < 0 || valueEnd > rowEnd) {
                values.emplace_back();
                continue;
            }
            values.push_back(fromCp1251(block.mid(position, valueEnd - position)));
            position = valueEnd + 1;
        }
        out.rows.push_back(std::move(values));
        start = rowEnd + 1;
    }
    return out;
}

QByteArray encodeGridRow(const std::vector<QString>& values) {
    QByteArray row;
    for (const QString& value : values) {
        row += toCp1251(value);
        row += kValueEnd;
    }
    row += kRowEnd;
    return row;
}

}  // namespace zev
