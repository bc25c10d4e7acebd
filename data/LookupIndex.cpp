#include "data/LookupIndex.h"

#include <cmath>

namespace zev {

void LookupIndex::build(const ColumnStore& store, int column, const std::vector<int>& rows) {
    kind_ = store.kind(column);
    ints_.clear();
    floats_.clear();
    texts_.clear();
    switch (kind_) {
        case ColumnKind::Int:
            ints_.reserve(rows.size());
            for (int row : rows) {
                if (!store.isNull(row, column)) {
                    ints_.try_emplace(store.intAt(row, column), row);
                }
            }
            break;
        case ColumnKind::Float:
            floats_.reserve(rows.size());
            for (int row : rows) {
                if (!store.isNull(row, column)) {
                    floats_.try_emplace(store.floatAt(row, column), row);
                }
            }
            break;
        case ColumnKind::Text:
            texts_.reserve(static_cast<qsizetype>(rows.size()));
            for (int row : rows) {
                if (!store.isNull(row, column)) {
                    const QString key = store.textAt(row, column).toString();
                    if (!texts_.contains(key)) {
                        texts_.insert(key, row);
                    }
                }
            }
            break;
    }
}

int LookupIndex::find(const Value& key) const {
    if (isNull(key)) {
        return -1;
    }
    switch (kind_) {
        case ColumnKind::Int: {
            std::int64_t n = 0;
            if (key.index() == 1) {
                n = std::get<std::int64_t>(key);
            } else if (key.index() == 2) {
                const double d = std::get<double>(key);
                if (d != std::floor(d)) {
                    return -1;
                }
                n = static_cast<std::int64_t>(d);
            } else {
                bool ok = false;
                n = std::get<QString>(key).toLongLong(&ok);
                if (!ok) {
                    return -1;
                }
            }
            const auto it = ints_.find(n);
            return it == ints_.end() ? -1 : it->second;
        }
        case ColumnKind::Float: {
            double d = 0.0;
            if (key.index() == 1) {
                d = static_cast<double>(std::get<std::int64_t>(key));
            } else if (key.index() == 2) {
                d = std::get<double>(key);
            } else {
                bool ok = false;
                d = std::get<QString>(key).toDouble(&ok);
                if (!ok) {
                    return -1;
                }
            }
            const auto it = floats_.find(d);
            return it == floats_.end() ? -1 : it->second;
        }
        case ColumnKind::Text: {
            const auto it = texts_.constFind(valueText(key));
            return it == texts_.constEnd() ? -1 : it.value();
        }
    }
    return -1;
}

}  // namespace zev
