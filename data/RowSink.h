#pragma once

#include "data/ResultSet.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace zev {

// Receives one statement's result while the driver reads it, so that the rows go straight into
// their final form (a dataset's column store, a printer) without a snapshot of per-cell values
// in between.
//
// The driver calls begin() once with the result's columns, then for each row beginRow()
// followed by exactly one cell call per column in column order, then end(). A statement without
// a result gets begin() with no columns and end(). When the driver fails half-way it throws and
// end() is not called; the sink must then be discarded.
//
// A column whose type the driver does not know in advance is ColumnType::Unknown; the sink
// decides it from the values (see ResultSetSink for the usual rule).
class RowSink {
public:
    virtual ~RowSink() = default;

    // rowHint is the number of rows to come when the driver knows it, else -1.
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
