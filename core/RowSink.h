#pragma once

#include "core/ResultSet.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace zev {

// Receives one statement's result while the driver reads it, so that the rows go straight into
// their final form (a dataset's column store, a printer) without a snapshot of per-cell values
// in between.
//
// The driver calls begin() once with the result's columns, then for each row either beginRow()
// followed by exactly one cell call per column in column order, or addRow() with all the row's
// cells, then end(). A statement without
// a result gets begin() with no columns and end(). When the driver fails half-way it throws and
// end() is not called; the sink must then be discarded.
//
// A column whose type the driver does not know in advance is ColumnType::Unknown; the sink
// decides it from the values (see ResultSetSink for the usual rule).
// One cell of a row handed over whole (RowSink::addRow). A text points into memory of the driver
// that stays valid until addRow returns.
struct RowCell {
    enum class Kind : std::uint8_t { Null, Integer, Float, Utf8, Utf16 };
    Kind kind = Kind::Null;
    qsizetype size = 0;  // texts: bytes (Utf8) or characters (Utf16)
    union {
        std::int64_t integer = 0;
        double real;
        const char* utf8;
        const QChar* utf16;
    };
};

class RowSink {
public:
    virtual ~RowSink() = default;

    // rowHint is the number of rows to come when the driver knows it, or the number it expects
    // (an earlier run of the same statement), else -1: room to reserve, never a promise.
    virtual void begin(const std::vector<ResultColumn>& columns, int rowHint) = 0;
    virtual void beginRow() = 0;
    virtual void addNull() = 0;
    virtual void addInteger(std::int64_t value) = 0;
    virtual void addFloat(double value) = 0;
    // Text as UTF-16 (drivers that read wide characters).
    virtual void addText(QStringView text) = 0;
    // Text as UTF-8 bytes (drivers that read narrow UTF-8 characters). The default converts it
    // and calls addText.
    virtual void addUtf8(const char* data, qsizetype size);
    virtual void end() = 0;

    // A whole row at once, instead of beginRow() and one cell call per column: a driver that
    // reads a row before passing it on spends one call per row, and a sink may store the row in
    // one tight loop. The default makes the separate calls.
    virtual void addRow(const RowCell* cells, int count);

    // One cell given as a Value: dispatches on its alternative.
    void addValue(const Value& value);
};

// Collects a result into a ResultSet: the generic sink for callers that want the snapshot.
// A column of unknown type takes the type of its first non-null value.
class ResultSetSink : public RowSink {
public:
    void begin(const std::vector<ResultColumn>& columns, int rowHint) override;
    void beginRow() override {}
    void addNull() override { cells_.emplace_back(); }
    void addInteger(std::int64_t value) override { cells_.emplace_back(value); }
    void addFloat(double value) override { cells_.emplace_back(value); }
    void addText(QStringView text) override { cells_.emplace_back(text.toString()); }
    void addUtf8(const char* data, qsizetype size) override;
    void end() override;

    // The collected result; valid after end().
    ResultSet take();

private:
    std::vector<ResultColumn> columns_;
    std::vector<Value> cells_;
};

// Feeds a ready snapshot to a sink: the fallback for drivers and datasets that produce a
// ResultSet.
void replayResult(const ResultSet& result, RowSink& sink);

}  // namespace zev
