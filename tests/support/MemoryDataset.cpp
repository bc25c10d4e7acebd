#include "MemoryDataset.h"

namespace zev::testing {

void MemoryDataset::dropRow(const Value& value, int column) {
    ResultSet kept;
    kept.columns = rows.columns;
    for (int r = 0; r < rows.rowCount(); ++r) {
        if (valuesEqual(rows.at(r, column), value)) {
            continue;
        }
        for (int c = 0; c < rows.columnCount(); ++c) {
            kept.cells.push_back(rows.at(r, c));
        }
    }
    rows = std::move(kept);
}

}  // namespace zev::testing
