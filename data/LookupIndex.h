#pragma once

#include "core/Value.h"
#include "data/ColumnStore.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace zev {

// A hash index from the values of one stored column to the first live row holding each, so that
// a lookup field resolves in constant time whatever filter its lookup dataset carries.
class LookupIndex {
public:
    // Indexes `rows` (every live row of the dataset, in fetched order) of `column`.
    void build(const ColumnStore& store, int column, const std::vector<int>& rows);
    // The row whose value equals key (compared as the datasets compare keys), or -1.
    int find(const Value& key) const;

    std::uint64_t version = 0;  // the dataset's data version the index was built from

private:
    ColumnKind kind_ = ColumnKind::Int;
    std::unordered_map<std::int64_t, int> ints_;
    std::unordered_map<double, int> floats_;
    QHash<QString, int> texts_;
};

}  // namespace zev
