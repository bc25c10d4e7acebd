#pragma once

// The private state of a Dataset, shared by the files that implement it (storage, fields,
// navigation, filtering and lookups, editing). Not part of the data layer's interface.

#include "data/ColumnStore.h"
#include "data/Dataset.h"
#include "data/Filter.h"
#include "data/LookupIndex.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace zev {

struct Dataset::Impl {
    explicit Impl(Dataset& owner) : q(owner) {}

    Dataset& q;

    // --- fields
    bool declared = false;  // fields were declared; otherwise they follow the result's columns
    std::vector<std::unique_ptr<Field>> ownedFields;
    std::vector<Field*> fields;
    std::vector<int> fieldColumn;     // stored column of each field; -1 for a lookup field
    std::vector<int> lookupKeyField;  // for a lookup field: the index of its key field, else -1

    // Cached resolution of a lookup field against its lookup dataset's current open.
    struct LookupCache {
        std::uint32_t generation = 0;
        int keyColumn = -1;
        int resultField = -1;
    };
    mutable std::vector<LookupCache> lookupCache;

    // --- rows
    ColumnStore store;
    std::vector<std::uint8_t> live;  // per stored row: 0 once deleted
    std::vector<int> order;          // live rows in fetched order, new rows at their place
    std::vector<int> view;           // rows that pass the filter, in sort order
    int current = -1;                // position in view; -1 when there is no row
    bool bof = true;
    bool eof = true;
    DatasetState state = DatasetState::Inactive;
    std::uint32_t generation = 0;   // changes with every open: bookmarks of other opens fail
    std::uint64_t dataVersion = 0;  // changes whenever stored values change (lookup indexes)

    // --- edit buffer (one value per stored column) of the row in edit or insert
    std::vector<Value> buffer;
    std::vector<Value> original;
    int editRow = -1;
    int rowBeforeInsert = -1;
    bool modified = false;

    // --- filter and sort
    QString filterText;
    bool filtered = false;
    std::shared_ptr<const FilterProgram> program;
    QString sortField;

    // --- display
    int disableCount = 0;
    mutable int displayRow = -1;  // DisplayRow's view row, or -1

    // --- lookup indexes of this dataset, by stored column
    mutable std::unordered_map<int, LookupIndex> indexes;

    // --- write-back
    QString updateTable;
    QString updateKey;
    QStringList updateColumns;  // when not empty, the only columns ever written

    // Helpers (Dataset.cpp unless noted)
    bool isOpen() const { return state != DatasetState::Inactive; }
    bool editing() const { return state == DatasetState::Edit || state == DatasetState::Insert; }
    void checkActive() const;
    int fieldIndex(const QString& name) const;  // -1 when none
    void createFields(const std::vector<FieldDef>& defs);
    void load(const ResultSet& result);
    void loadFromDriver();  // DatasetLoader.cpp
    class Loader;           // DatasetLoader.cpp: the sink that fills the column store
    void resetRows();

    int activeRow() const;  // stored row that field reads address, or -1
    Value storedValue(int field, int row) const;
    Value fieldValue(int field, int row) const;  // lookup fields resolved
    Value lookupValue(int field, int row) const;
    int findRow(int column, const Value& key) const;  // through the index; -1 when none

    // Navigation (DatasetNavigation.cpp)
    void moveTo(int viewRow, bool alwaysScroll);
    void fireAfterScroll();
    void checkBrowseMode();
    int viewPosition(int row) const;

    // Filter and sort (DatasetFilter.cpp)
    std::shared_ptr<const FilterProgram> compileFilter(const QString& text) const;
    void rebuildView();
    void restartView();  // rebuilds the view and makes its first row current
    ColumnKind fieldKind(int field) const;
    bool filterActive() const { return filtered && program != nullptr; }

    // Editing (DatasetEditing.cpp)
    void checkRequired() const;
    void writeBack();
    void commitBuffer();
    void startInsert(bool atEnd);
    void clearBuffer();

    // Signals, held back while display updates are suspended
    void emitReset();
    void emitRow(int viewRow);
    void emitCurrent();
    void emitState();
};

}  // namespace zev
