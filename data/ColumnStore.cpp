#include "data/ColumnStore.h"

#include <QStringDecoder>

#include <algorithm>

namespace zev {

void ColumnStore::reset(const std::vector<ColumnKind>& kinds, int expectedRows) {
    columns_.clear();
    columns_.resize(kinds.size());
    rows_ = 0;
    room_ = 0;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        columns_[i].kind = kinds[i];
    }
    grow(expectedRows);
}

void ColumnStore::clear() {
    columns_.clear();
    rows_ = 0;
    room_ = 0;
}

void ColumnStore::grow(int rows) {
    if (rows <= room_) {
        return;
    }
    const auto size = static_cast<std::size_t>(rows);
    for (Column& c : columns_) {
        c.nulls.resize(size, 1);
        switch (c.kind) {
            case ColumnKind::Int:
                c.ints.resize(size, 0);
                break;
            case ColumnKind::Float:
                c.floats.resize(size, 0.0);
                break;
            case ColumnKind::Text:
                c.offsets.resize(size, 0);
                c.lengths.resize(size, 0);
                break;
        }
    }
    room_ = rows;
}

int ColumnStore::appendRow() {
    if (rows_ == room_) {
        grow(std::max(64, room_ + room_ / 2));
    }
    return rows_++;
}

QStringView ColumnStore::textAt(int row, int column) const {
    const Column& c = columns_[column];
    return QStringView(c.arena).mid(c.offsets[row], c.lengths[row]);
}

Value ColumnStore::get(int row, int column) const {
    const Column& c = columns_[column];
    if (c.nulls[row]) {
        return Value{};
    }
    switch (c.kind) {
        case ColumnKind::Int:
            return Value{c.ints[row]};
        case ColumnKind::Float:
            return Value{c.floats[row]};
        case ColumnKind::Text:
            return Value{textAt(row, column).toString()};
    }
    return Value{};
}

void ColumnStore::set(int row, int column, const Value& value) {
    Column& c = columns_[column];
    if (zev::isNull(value)) {
        c.nulls[row] = 1;
        return;
    }
    c.nulls[row] = 0;
    switch (c.kind) {
        case ColumnKind::Int:
            c.ints[row] = value.index() == 1   ? std::get<std::int64_t>(value)
                          : value.index() == 2 ? static_cast<std::int64_t>(std::get<double>(value))
                                               : valueText(value).toLongLong();
            break;
        case ColumnKind::Float:
            c.floats[row] = value.index() == 2 ? std::get<double>(value)
                            : value.index() == 1
                                ? static_cast<double>(std::get<std::int64_t>(value))
                                : valueText(value).toDouble();
            break;
        case ColumnKind::Text:
            setText(row, column, valueText(value));
            break;
    }
}

void ColumnStore::setText(int row, int column, QStringView text) {
    Column& c = columns_[column];
    c.nulls[row] = 0;
    c.offsets[row] = static_cast<std::uint32_t>(c.arena.size());
    c.lengths[row] = static_cast<std::uint32_t>(text.size());
    c.arena += text;
}

void ColumnStore::setUtf8(int row, int column, const char* data, qsizetype size) {
    Column& c = columns_[column];
    c.nulls[row] = 0;
    const qsizetype start = c.arena.size();
    c.offsets[row] = static_cast<std::uint32_t>(start);
    // UTF-8 never takes fewer bytes than UTF-16 takes characters: grow by the byte count, decode
    // in place and give back what the decoding did not use. Plain ASCII is copied directly.
    c.arena.resize(start + size);
    QChar* out = c.arena.data() + start;
    qsizetype i = 0;
    while (i < size && static_cast<unsigned char>(data[i]) < 0x80) {
        out[i] = QLatin1Char(data[i]);
        ++i;
    }
    if (i < size) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        out = decoder.appendToBuffer(out + i, QByteArrayView(data + i, size - i));
        c.arena.resize(out - c.arena.constData());
    }
    c.lengths[row] = static_cast<std::uint32_t>(c.arena.size() - start);
}

void ColumnStore::copyCell(int row, int column, const ColumnStore& from, int fromRow,
                           int fromColumn) {
    const Column& source = from.columns_[fromColumn];
    if (source.nulls[fromRow] != 0) {
        columns_[column].nulls[row] = 1;
        return;
    }
    switch (source.kind) {
        case ColumnKind::Int:
            setInt(row, column, source.ints[fromRow]);
            break;
        case ColumnKind::Float:
            setFloat(row, column, source.floats[fromRow]);
            break;
        case ColumnKind::Text:
            setText(row, column, from.textAt(fromRow, fromColumn));
            break;
    }
}

}  // namespace zev
