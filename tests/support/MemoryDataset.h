#pragma once

// A dataset over rows the test builds; posts change only these rows in memory.

#include "data/Dataset.h"

namespace zev::testing {

class MemoryDataset : public Dataset {
    Q_OBJECT
public:
    explicit MemoryDataset(QObject* parent = nullptr) : Dataset(nullptr, parent) {}
    ResultSet rows;

    // Removes the stored rows whose column (the first unless told) holds the value, as a
    // server-side DELETE would.
    void dropRow(const Value& value, int column = 0);

protected:
    ResultSet fetch() override { return rows; }
};

}  // namespace zev::testing
