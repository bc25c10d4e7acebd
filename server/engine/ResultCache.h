#pragma once

#include "core/RowSink.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

namespace zev::server {

// One statement's result kept compactly: a tag per cell, numbers in one vector, texts as UTF-16
// in one arena, so that replaying it into a dataset copies plain data and converts nothing.
class PackedResult : public RowSink {
public:
    void begin(const std::vector<ResultColumn>& columns, int rowHint) override;
    void beginRow() override { ++rows_; }
    void addNull() override;
    void addInteger(std::int64_t value) override;
    void addFloat(double value) override;
    void addText(QStringView text) override;
    void addUtf8(const char* data, qsizetype size) override;
    void end() override;
    void addRow(const RowCell* cells, int count) override;

    bool complete() const { return complete_; }
    // Whether the row last given to addRow had a UTF-8 text, now kept as UTF-16.
    bool lastRowDecoded() const { return lastRowDecoded_; }
    int rowCount() const { return rows_; }
    // The last text added, as it is kept.
    QStringView lastText() const;
    // The text of the n-th cell counted back from the last one added (0: the last), as kept.
    QStringView textBack(std::size_t n) const;
    // Hands the kept result to the sink exactly as the server produced it.
    void replay(RowSink& sink) const;
    // Memory the result holds, for the cache's budget.
    std::size_t bytes() const;

private:
    enum Tag : std::uint8_t { Null, Integer, Float, Text };
    QStringView textOf(std::int64_t packed) const;
    // Append a text to the arena; answer its place as a number cell holds it.
    std::int64_t appendText(QStringView text);
    std::int64_t appendUtf8(const char* data, qsizetype size);
    // Room for that many cells in all; the vectors run ahead of cells_ until end().
    void makeRoom(std::size_t cells);
    void put(Tag tag, std::int64_t number);
    std::vector<ResultColumn> columns_;
    int rows_ = 0;
    bool complete_ = false;
    bool lastRowDecoded_ = false;
    std::size_t cells_ = 0;
    std::vector<std::uint8_t> tags_;
    std::vector<std::int64_t> numbers_;  // integer; float bits; text: offset << 32 | length
    QString arena_;
};

// Hands a result to the caller's sink and keeps a packed copy of it at the same time, so that a
// result read from SQLite once is converted once.
class KeepingSink : public RowSink {
public:
    KeepingSink(RowSink& target, PackedResult& kept) : target_(target), kept_(kept) {}
    void begin(const std::vector<ResultColumn>& columns, int rowHint) override;
    void beginRow() override;
    void addNull() override;
    void addInteger(std::int64_t value) override;
    void addFloat(double value) override;
    void addText(QStringView text) override;
    void addUtf8(const char* data, qsizetype size) override;
    void end() override;
    void addRow(const RowCell* cells, int count) override;

private:
    RowSink& target_;
    PackedResult& kept_;
    std::vector<RowCell> forwarded_;  // a row as the target gets it: texts as kept
};

// Results of read-only statements of one session, by translated statement and argument values.
// The whole cache is dropped the moment the database's change count moves (a commit of this
// connection or of any other, in any process); the least recently used results go first when
// the results outgrow the budget.
class ResultCache {
public:
    explicit ResultCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

    // The key of a statement with its argument values.
    static QString key(const QString& statement, const std::vector<Value>& args);

    // Drops every result when the change count differs from the one the results were read at.
    void checkChangeCount(std::uint64_t changeCount);
    // The result kept under the key, or null.
    std::shared_ptr<const PackedResult> find(const QString& key);
    void store(const QString& key, std::shared_ptr<const PackedResult> result);
    void clear();

    int size() const { return static_cast<int>(entries_.size()); }
    std::size_t bytes() const { return bytes_; }

private:
    struct Entry {
        QString key;
        std::shared_ptr<const PackedResult> result;
        std::size_t bytes = 0;
    };
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::uint64_t changeCount_ = 0;
    bool counted_ = false;
    std::list<Entry> order_;  // most recently used first
    QHash<QString, std::list<Entry>::iterator> entries_;
};

}  // namespace zev::server
