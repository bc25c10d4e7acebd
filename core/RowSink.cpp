#include "core/RowSink.h"

namespace zev {

void RowSink::addUtf8(const char* data, qsizetype size) {
    addText(QString::fromUtf8(data, size));
}

void RowSink::addRow(const RowCell* cells, int count) {
    beginRow();
    for (int c = 0; c < count; ++c) {
        const RowCell& cell = cells[c];
        switch (cell.kind) {
            case RowCell::Kind::Integer:
                addInteger(cell.integer);
                break;
            case RowCell::Kind::Float:
                addFloat(cell.real);
                break;
            case RowCell::Kind::Utf8:
                addUtf8(cell.utf8, cell.size);
                break;
            case RowCell::Kind::Utf16:
                addText(QStringView(cell.utf16, cell.size));
                break;
            default:
                addNull();
        }
    }
}

void RowSink::addValue(const Value& value) {
    switch (value.index()) {
        case 1:
            addInteger(std::get<std::int64_t>(value));
            break;
        case 2:
            addFloat(std::get<double>(value));
            break;
        case 3:
            addText(std::get<QString>(value));
            break;
        default:
            addNull();
    }
}

void ResultSetSink::begin(const std::vector<ResultColumn>& columns, int rowHint) {
    columns_ = columns;
    cells_.clear();
    if (rowHint > 0) {
        cells_.reserve(static_cast<size_t>(rowHint) * columns.size());
    }
}

void ResultSetSink::addUtf8(const char* data, qsizetype size) {
    cells_.emplace_back(QString::fromUtf8(data, size));
}

void ResultSetSink::end() {
    const size_t count = columns_.size();
    for (size_t c = 0; c < count; ++c) {
        ResultColumn& column = columns_[c];
        for (size_t i = c; i < cells_.size() && column.type == ColumnType::Unknown; i += count) {
            switch (cells_[i].index()) {
                case 1:
                    column.type = ColumnType::Integer;
                    break;
                case 2:
                    column.type = ColumnType::Float;
                    break;
                case 3:
                    column.type = ColumnType::Text;
                    break;
                default:
                    break;
            }
        }
    }
}

ResultSet ResultSetSink::take() {
    ResultSet result;
    result.columns = std::move(columns_);
    result.cells = std::move(cells_);
    columns_.clear();
    cells_.clear();
    return result;
}

void replayResult(const ResultSet& result, RowSink& sink) {
    sink.begin(result.columns, result.rowCount());
    const int columns = result.columnCount();
    const int rows = result.rowCount();
    for (int r = 0; r < rows; ++r) {
        sink.beginRow();
        for (int c = 0; c < columns; ++c) {
            sink.addValue(result.at(r, c));
        }
    }
    sink.end();
}

}  // namespace zev
