#include "server/engine/ResultCache.h"

#include <QStringDecoder>

#include <cstring>

namespace zev::server {

void PackedResult::begin(const std::vector<ResultColumn>& columns, int rowHint) {
    columns_ = columns;
    if (rowHint > 0) {
        const auto cells = static_cast<size_t>(rowHint) * columns.size();
        tags_.reserve(cells);
        numbers_.reserve(cells);
    }
}

void PackedResult::addNull() {
    tags_.push_back(Null);
    numbers_.push_back(0);
}

void PackedResult::addInteger(std::int64_t value) {
    tags_.push_back(Integer);
    numbers_.push_back(value);
}

void PackedResult::addFloat(double value) {
    std::int64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    tags_.push_back(Float);
    numbers_.push_back(bits);
}

void PackedResult::addText(QStringView text) {
    const auto offset = static_cast<std::uint64_t>(arena_.size());
    arena_ += text;
    tags_.push_back(Text);
    numbers_.push_back(
        static_cast<std::int64_t>(offset << 32 | static_cast<std::uint64_t>(text.size())));
}

void PackedResult::addUtf8(const char* data, qsizetype size) {
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
    tags_.push_back(Text);
    numbers_.push_back(
        static_cast<std::int64_t>(static_cast<std::uint64_t>(start) << 32 |
                                  static_cast<std::uint64_t>(arena_.size() - start)));
}

QStringView PackedResult::lastText() const {
    const auto packed = static_cast<std::uint64_t>(numbers_.back());
    return QStringView(arena_).mid(static_cast<qsizetype>(packed >> 32),
                                   static_cast<qsizetype>(packed & 0xffffffffu));
}

void PackedResult::replay(RowSink& sink) const {
    sink.begin(columns_, rows_);
    const size_t columns = columns_.size();
    size_t cell = 0;
    for (int r = 0; r < rows_; ++r) {
        sink.beginRow();
        for (size_t c = 0; c < columns; ++c, ++cell) {
            const std::int64_t n = numbers_[cell];
            switch (tags_[cell]) {
                case Integer:
                    sink.addInteger(n);
                    break;
                case Float: {
                    double d = 0;
                    std::memcpy(&d, &n, sizeof d);
                    sink.addFloat(d);
                    break;
                }
                case Text: {
                    const auto packed = static_cast<std::uint64_t>(n);
                    sink.addText(
                        QStringView(arena_).mid(static_cast<qsizetype>(packed >> 32),
                                                static_cast<qsizetype>(packed & 0xffffffffu)));
                    break;
                }
                default:
                    sink.addNull();
            }
        }
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
