#pragma once

#include "core/Value.h"

#include <QString>

#include <vector>

namespace zev {

struct ResultColumn {
    QString name;
    ColumnType type = ColumnType::Unknown;
};

// A snapshot of one statement's result: column names and types, rows of nullable values.
// Cells are stored row after row in one vector.
class ResultSet {
public:
    std::vector<ResultColumn> columns;
    std::vector<Value> cells;

    int columnCount() const { return static_cast<int>(columns.size()); }
    int rowCount() const {
        return columns.empty() ? 0 : static_cast<int>(cells.size() / columns.size());
    }
    const Value& at(int row, int column) const { return cells[row * columns.size() + column]; }
    Value& at(int row, int column) { return cells[row * columns.size() + column]; }

    // Position of the column of that name (letter case ignored), or -1.
    int columnIndex(const QString& name) const {
        for (int i = 0; i < columnCount(); ++i) {
            if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) {
                return i;
            }
        }
        return -1;
    }
};

}  // namespace zev
