#pragma once

#include "core/Value.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace zev {

// What one stored column holds.
enum class ColumnKind : std::uint8_t { Int, Float, Text };

// The fetched rows of a dataset, column by column: numbers in plain vectors, texts in one
// character arena per column addressed by offset and length, a null flag per cell. No cell is a
// heap object of its own, so memory grows with the rows and nothing else. All columns grow
// together, by half again at a time, so that a row is appended by counting it.
class ColumnStore {
public:
    void reset(const std::vector<ColumnKind>& kinds, int expectedRows = 0);
    void clear();

    int columnCount() const { return static_cast<int>(columns_.size()); }
    int rowCount() const { return rows_; }
    ColumnKind kind(int column) const { return columns_[column].kind; }

    // Adds a row of Nulls and answers its index.
    int appendRow();

    bool isNull(int row, int column) const { return columns_[column].nulls[row] != 0; }
    std::int64_t intAt(int row, int column) const { return columns_[column].ints[row]; }
    double floatAt(int row, int column) const { return columns_[column].floats[row]; }
    QStringView textAt(int row, int column) const;

    Value get(int row, int column) const;
    // Stores a value already converted to the column's kind (Null allowed).
    void set(int row, int column, const Value& value);

    // Stores a cell of the column's own kind straight from a driver: no Value in between.
    void setInt(int row, int column, std::int64_t value) {
        Column& c = columns_[static_cast<std::size_t>(column)];
        c.nulls[static_cast<std::size_t>(row)] = 0;
        c.ints[static_cast<std::size_t>(row)] = value;
    }
    void setFloat(int row, int column, double value) {
        Column& c = columns_[static_cast<std::size_t>(column)];
        c.nulls[static_cast<std::size_t>(row)] = 0;
        c.floats[static_cast<std::size_t>(row)] = value;
    }
    void setText(int row, int column, QStringView text);
    // A text given as UTF-8 bytes, decoded straight into the column's arena.
    void setUtf8(int row, int column, const char* data, qsizetype size);
    // Copies a cell of another store's column of the same kind, Null included.
    void copyCell(int row, int column, const ColumnStore& from, int fromRow, int fromColumn);

private:
    struct Column {
        ColumnKind kind = ColumnKind::Int;
        std::vector<std::uint8_t> nulls;
        std::vector<std::int64_t> ints;
        std::vector<double> floats;
        std::vector<std::uint32_t> offsets;
        std::vector<std::uint32_t> lengths;
        QString arena;  // texts one after another; a replaced text leaves its old bytes behind
    };
    // Gives every column room for at least `rows` rows, new cells Null.
    void grow(int rows);

    std::vector<Column> columns_;
    int rows_ = 0;
    int room_ = 0;  // rows every column's vectors hold; rows past rows_ are Null and unused
};

}  // namespace zev
