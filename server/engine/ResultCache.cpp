#include "server/engine/ResultCache.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace zev::server {

void PackedResult::begin(const std::vector<ResultColumn>& columns, int rowHint) {
    columns_ = columns;
    if (rowHint > 0) {
        makeRoom(static_cast<std::size_t>(rowHint) * columns.size());
    }
}

void PackedResult::end() {
    // The room past the last cell is given back: the result is kept for a while.
    tags_.resize(cells_);
    numbers_.resize(cells_);
    if (numbers_.capacity() > cells_ + cells_ / 4 + 64) {
        numbers_.shrink_to_fit();
        tags_.shrink_to_fit();
    }
    complete_ = true;
}

void PackedResult::makeRoom(std::size_t cells) {
    if (cells > numbers_.size()) {
        const std::size_t size = std::max(cells, numbers_.size() * 2);
        tags_.resize(size);
        numbers_.resize(size);
    }
}

void PackedResult::put(Tag tag, std::int64_t number) {
    makeRoom(cells_ + 1);
    tags_[cells_] = tag;
    numbers_[cells_] = number;
    ++cells_;
}

void PackedResult::addNull() {
    put(Null, 0);
}

void PackedResult::addInteger(std::int64_t value) {
    put(Integer, value);
}

void PackedResult::addFloat(double value) {
    std::int64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    put(Float, bits);
}

std::int64_t PackedResult::appendText(QStringView text) {
    const auto offset = static_cast<std::uint64_t>(arena_.size());
    arena_ += text;
    return static_cast<std::int64_t>(offset << 32 | static_cast<std::uint64_t>(text.size()));
}

std::int64_t PackedResult::appendUtf8(const char* data, qsizetype size) {
    const qsizetype start = arena_.size();
    arena_.resize(start + size);  // UTF-16 never needs more characters than UTF-8 has bytes
    QChar* out = arena_.data() + start;
    qsizetype i = 0;
    while (i < size && static_cast<unsigned char>(data[i]) < 0x80) {
        out[i] = QLatin1Char(data[i]);
        ++i;
    }
    if (i < size) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        out = decoder.appendToBuffer(out + i, QByteArrayView(data + i, size - i));
        arena_.resize(out - arena_.constData());
    }
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(start) << 32 |
                                     static_cast<std::uint64_t>(arena_.size() - start));
}

void PackedResult::addText(QStringView text) {
    put(Text, appendText(text));
}

void PackedResult::addUtf8(const char* data, qsizetype size) {
    put(Text, appendUtf8(data, size));
}

void PackedResult::addRow(const RowCell* cells, int count) {
    ++rows_;
    lastRowDecoded_ = false;
    // Numbers are written in place; a text appends to the arena and writes its place.
    const std::size_t at = cells_;
    makeRoom(at + static_cast<std::size_t>(count));
    cells_ += static_cast<std::size_t>(count);
    std::uint8_t* tag = tags_.data() + at;
    std::int64_t* number = numbers_.data() + at;
    for (int c = 0; c < count; ++c) {
        const RowCell& cell = cells[c];
        switch (cell.kind) {
            case RowCell::Kind::Integer:
                tag[c] = Integer;
                number[c] = cell.integer;
                break;
            case RowCell::Kind::Float:
                tag[c] = Float;
                std::memcpy(&number[c], &cell.real, sizeof cell.real);
                break;
            case RowCell::Kind::Utf8:
                tag[c] = Text;
                number[c] = appendUtf8(cell.utf8, cell.size);
                lastRowDecoded_ = true;
                break;
            case RowCell::Kind::Utf16:
                tag[c] = Text;
                number[c] = appendText(QStringView(cell.utf16, cell.size));
                break;
            default:
                tag[c] = Null;
                number[c] = 0;
        }
    }
}

QStringView PackedResult::textOf(std::int64_t packed) const {
    const auto bits = static_cast<std::uint64_t>(packed);
    return QStringView(arena_).mid(static_cast<qsizetype>(bits >> 32),
                                   static_cast<qsizetype>(bits & 0xffffffffu));
}

QStringView PackedResult::lastText() const {
    return textOf(numbers_[cells_ - 1]);
}

QStringView PackedResult::textBack(std::size_t n) const {
    return textOf(numbers_[cells_ - 1 - n]);
}

void PackedResult::replay(RowSink& sink) const {
    sink.begin(columns_, rows_);
    const size_t columns = columns_.size();
    std::vector<RowCell> row(columns);
    size_t cell = 0;
    for (int r = 0; r < rows_; ++r) {
        for (size_t c = 0; c < columns; ++c, ++cell) {
            RowCell& out = row[c];
            const std::int64_t n = numbers_[cell];
            switch (tags_[cell]) {
                case Integer:
                    out.kind = RowCell::Kind::Integer;
                    out.integer = n;
                    break;
                case Float:
                    out.kind = RowCell::Kind::Float;
                    std::memcpy(&out.real, &n, sizeof out.real);
                    break;
                case Text: {
                    const QStringView text = textOf(n);
                    out.kind = RowCell::Kind::Utf16;
                    out.utf16 = text.data();
                    out.size = text.size();
                    break;
                }
                default:
                    out.kind = RowCell::Kind::Null;
            }
        }
        sink.addRow(row.data(), static_cast<int>(columns));
    }
    sink.end();
}

std::size_t PackedResult::bytes() const {
    std::size_t total = sizeof(*this) + tags_.capacity() +
                        numbers_.capacity() * sizeof(std::int64_t) +
                        static_cast<std::size_t>(arena_.capacity()) * sizeof(QChar);
    for (const ResultColumn& c : columns_) {
        total += sizeof c + static_cast<std::size_t>(c.name.capacity()) * sizeof(QChar);
    }
    return total;
}

void KeepingSink::begin(const std::vector<ResultColumn>& columns, int rowHint) {
    kept_.begin(columns, rowHint);
    target_.begin(columns, rowHint);
}

void KeepingSink::beginRow() {
    kept_.beginRow();
    target_.beginRow();
}

void KeepingSink::addNull() {
    kept_.addNull();
    target_.addNull();
}

void KeepingSink::addInteger(std::int64_t value) {
    kept_.addInteger(value);
    target_.addInteger(value);
}

void KeepingSink::addFloat(double value) {
    kept_.addFloat(value);
    target_.addFloat(value);
}

void KeepingSink::addText(QStringView text) {
    kept_.addText(text);
    target_.addText(text);
}

void KeepingSink::addUtf8(const char* data, qsizetype size) {
    kept_.addUtf8(data, size);  // decoded once, into the kept copy
    target_.addText(kept_.lastText());
}

void KeepingSink::addRow(const RowCell* cells, int count) {
    kept_.addRow(cells, count);
    if (!kept_.lastRowDecoded()) {
        target_.addRow(cells, count);
        return;
    }
    // UTF-8 texts were decoded once, into the kept copy: the target reads them from there.
    forwarded_.assign(cells, cells + count);
    for (int c = 0; c < count; ++c) {
        RowCell& cell = forwarded_[static_cast<size_t>(c)];
        if (cell.kind == RowCell::Kind::Utf8) {
            const QStringView text = kept_.textBack(static_cast<size_t>(count - 1 - c));
            cell.kind = RowCell::Kind::Utf16;
            cell.utf16 = text.data();
            cell.size = text.size();
        }
    }
    target_.addRow(forwarded_.data(), count);
}

void KeepingSink::end() {
    target_.end();
    kept_.end();
}

QString ResultCache::key(const QString& statement, const std::vector<Value>& args) {
    QString key = statement;
    for (const Value& v : args) {
        // The alternative's number keeps 1 and '1' apart, the text's length keeps a text that
        // holds the separator from reading as two values.
        const QString text = valueText(v);
        key += QChar(0x1f);
        key += QChar(u'0' + static_cast<char16_t>(v.index()));
        key += QString::number(text.size());
        key += u':';
        key += text;
    }
    return key;
}

void ResultCache::checkChangeCount(std::uint64_t changeCount) {
    if (!counted_ || changeCount != changeCount_) {
        clear();
        changeCount_ = changeCount;
        counted_ = true;
    }
}

std::shared_ptr<const PackedResult> ResultCache::find(const QString& key) {
    const auto found = entries_.constFind(key);
    if (found == entries_.constEnd()) {
        return nullptr;
    }
    order_.splice(order_.begin(), order_, *found);
    return (*found)->result;
}

void ResultCache::store(const QString& key, std::shared_ptr<const PackedResult> result) {
    const std::size_t size =
        result->bytes() + static_cast<std::size_t>(key.capacity()) * sizeof(QChar) + 64;
    if (size > budget_ / 2) {
        return;  // one result must not push out everything else
    }
    if (const auto found = entries_.constFind(key); found != entries_.constEnd()) {
        bytes_ -= (*found)->bytes;
        order_.erase(*found);
        entries_.erase(found);
    }
    order_.push_front({key, std::move(result), size});
    entries_.insert(key, order_.begin());
    bytes_ += size;
    while (bytes_ > budget_ && !order_.empty()) {
        bytes_ -= order_.back().bytes;
        entries_.remove(order_.back().key);
        order_.pop_back();
    }
}

void ResultCache::clear() {
    order_.clear();
    entries_.clear();
    bytes_ = 0;
}

}  // namespace zev::server
