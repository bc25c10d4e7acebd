// The dataset: fields, opening and closing, the stored rows and how fields read them.
#include "data/Dataset.h"

#include "data/DatasetImpl.h"
#include "data/FieldValues.h"

#include <atomic>

namespace zev {

namespace {

std::atomic<std::uint32_t> nextGeneration{1};

// The field type that a result column of no declared field gets.
FieldType typeOfColumn(const ResultSet& result, int column) {
    switch (result.columns[column].type) {
        case ColumnType::Integer:
            return FieldType::Integer;
        case ColumnType::Float:
            return FieldType::Float;
        case ColumnType::Text:
            return FieldType::WideString;
        case ColumnType::Unknown:
            break;
    }
    // Decide from the values: any text makes a text column, any fraction a float one.
    bool sawFloat = false;
    for (int r = 0; r < result.rowCount(); ++r) {
        const Value& v = result.at(r, column);
        if (std::holds_alternative<QString>(v)) {
            return FieldType::WideString;
        }
        sawFloat = sawFloat || std::holds_alternative<double>(v);
    }
    return sawFloat ? FieldType::Float : FieldType::Integer;
}

}  // namespace

// ---------------------------------------------------------------------------------- Impl

void Dataset::Impl::checkActive() const {
    if (!isOpen()) {
        throw Error(QStringLiteral("%1: Cannot perform this operation on a closed dataset")
                        .arg(q.objectName()));
    }
}

int Dataset::Impl::fieldIndex(const QString& name) const {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i]->fieldName().compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Dataset::Impl::createFields(const std::vector<FieldDef>& defs) {
    ownedFields.clear();
    fields.clear();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        ownedFields.push_back(std::make_unique<Field>(q, defs[i], static_cast<int>(i)));
        fields.push_back(ownedFields.back().get());
    }
    fieldColumn.assign(defs.size(), -1);
    lookupKeyField.assign(defs.size(), -1);
    lookupCache.assign(defs.size(), LookupCache{});
}

void Dataset::Impl::load(const ResultSet& result) {
    if (!declared) {
        // One field per result column; the fields of the previous open stay when they match.
        std::vector<FieldDef> defs;
        for (int c = 0; c < result.columnCount(); ++c) {
            FieldDef def;
            def.name = result.columns[c].name;
            def.type = typeOfColumn(result, c);
            if (def.type == FieldType::WideString) {
                int longest = 20;
                for (int r = 0; r < result.rowCount(); ++r) {
                    const Value& v = result.at(r, c);
                    if (std::holds_alternative<QString>(v)) {
                        longest = std::max(longest, static_cast<int>(std::get<QString>(v).size()));
                    }
                }
                def.size = longest;
            }
            defs.push_back(def);
        }
        bool same = defs.size() == fields.size();
        for (std::size_t i = 0; same && i < defs.size(); ++i) {
            same = defs[i].name == fields[i]->fieldName() && defs[i].type == fields[i]->dataType();
        }
        if (!same) {
            createFields(defs);
        }
    }

    // Which result column feeds each field, and the stored column kinds.
    std::vector<int> source(fields.size(), -1);
    std::vector<ColumnKind> kinds;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const FieldDef& def = fields[f]->definition();
        lookupKeyField[f] = -1;
        lookupCache[f] = LookupCache{};
        if (fields[f]->isLookup()) {
            fieldColumn[f] = -1;
            lookupKeyField[f] = fieldIndex(def.keyFields);
            if (lookupKeyField[f] < 0) {
                throw Error(
                    QStringLiteral("%1: Field '%2' not found").arg(q.objectName(), def.keyFields));
            }
            continue;
        }
        source[f] = declared ? result.columnIndex(def.name) : static_cast<int>(f);
        if (source[f] < 0) {
            throw Error(QStringLiteral("%1: Field '%2' not found").arg(q.objectName(), def.name));
        }
        fieldColumn[f] = static_cast<int>(kinds.size());
        kinds.push_back(columnKindOf(def.type));
    }

    const int rows = result.rowCount();
    store.reset(kinds, rows);
    for (int r = 0; r < rows; ++r) {
        store.appendRow();
    }
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (fieldColumn[f] < 0) {
            continue;
        }
        const FieldDef& def = fields[f]->definition();
        for (int r = 0; r < rows; ++r) {
            const Value& v = result.at(r, source[f]);
            if (isNull(v)) {
                continue;
            }
            try {
                store.set(r, fieldColumn[f], convertFetched(def, v));
            } catch (const Error&) {
                throw Error(QStringLiteral("%1: Type mismatch for field '%2': '%3' cannot be read")
                                .arg(q.objectName(), def.name, valueText(v)));
            }
        }
    }
    live.assign(rows, 1);
    order.resize(rows);
    for (int r = 0; r < rows; ++r) {
        order[r] = r;
    }
}

void Dataset::Impl::resetRows() {
    store.clear();
    live.clear();
    order.clear();
    view.clear();
    indexes.clear();
    current = -1;
    bof = eof = true;
    clearBuffer();
}

int Dataset::Impl::activeRow() const {
    if (displayRow >= 0 && displayRow < static_cast<int>(view.size())) {
        return view[displayRow];
    }
    return current >= 0 && current < static_cast<int>(view.size()) ? view[current] : -1;
}

Value Dataset::Impl::storedValue(int field, int row) const {
    const int column = fieldColumn[field];
    if (row < 0 || column < 0) {
        return Value{};
    }
    if (editing() && row == editRow) {
        return buffer[column];
    }
    return store.get(row, column);
}

Value Dataset::Impl::fieldValue(int field, int row) const {
    return fieldColumn[field] >= 0 ? storedValue(field, row) : lookupValue(field, row);
}

Value Dataset::Impl::lookupValue(int field, int row) const {
    if (row < 0 || lookupKeyField[field] < 0) {
        return Value{};
    }
    const FieldDef& def = fields[field]->definition();
    Dataset* target = def.lookupDataset;
    if (!target || !target->isOpen()) {
        return Value{};
    }
    Impl& t = *target->d;
    LookupCache& cache = lookupCache[field];
    if (cache.generation != t.generation) {
        const int keyField = t.fieldIndex(def.lookupKeyFields);
        cache.resultField = t.fieldIndex(def.lookupResultField);
        cache.keyColumn = keyField >= 0 ? t.fieldColumn[keyField] : -1;
        cache.generation = t.generation;
    }
    if (cache.keyColumn < 0 || cache.resultField < 0) {
        return Value{};
    }
    const int match = t.findRow(cache.keyColumn, storedValue(lookupKeyField[field], row));
    if (match < 0) {
        return Value{};
    }
    try {
        return convertFetched(def, t.fieldValue(cache.resultField, match));
    } catch (const Error&) {
        return Value{};
    }
}

int Dataset::Impl::findRow(int column, const Value& key) const {
    LookupIndex& index = indexes[column];
    if (index.version != dataVersion) {
        index.build(store, column, order);
        index.version = dataVersion;
    }
    return index.find(key);
}

void Dataset::Impl::emitReset() {
    if (disableCount == 0) {
        Q_EMIT q.datasetReset();
    }
}

void Dataset::Impl::emitRow(int viewRow) {
    if (disableCount == 0 && viewRow >= 0) {
        Q_EMIT q.rowChanged(viewRow);
    }
}

void Dataset::Impl::emitCurrent() {
    if (disableCount == 0) {
        Q_EMIT q.currentRowChanged(current);
    }
}

void Dataset::Impl::emitState() {
    if (disableCount == 0) {
        Q_EMIT q.stateChanged();
    }
}

// ---------------------------------------------------------------------------------- Dataset

Dataset::Dataset(Connection* connection, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(*this)), connection_(connection) {}

Dataset::~Dataset() = default;

void Dataset::setFieldDefs(const std::vector<FieldDef>& defs) {
    if (isOpen()) {
        throw Error(QStringLiteral("%1: Cannot perform this operation on an open dataset")
                        .arg(objectName()));
    }
    d->declared = !defs.empty();
    d->createFields(defs);
    if (!d->filterText.isEmpty()) {
        d->program = d->declared ? d->compileFilter(d->filterText) : nullptr;
    }
}

const std::vector<Field*>& Dataset::fields() const {
    return d->fields;
}

Field* Dataset::findField(const QString& name) const {
    const int i = d->fieldIndex(name);
    return i < 0 ? nullptr : d->fields[i];
}

Field& Dataset::fieldByName(const QString& name) const {
    Field* f = findField(name);
    if (!f) {
        throw Error(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    }
    return *f;
}

void Dataset::open() {
    if (isOpen()) {
        return;
    }
    for (Field* f : d->fields) {
        Dataset* list = f->lookupDataset();
        if (list && list != this && !list->isOpen()) {
            list->open();
        }
    }
    try {
        d->loadFromDriver();
        d->program = d->filterText.isEmpty() ? nullptr : d->compileFilter(d->filterText);
    } catch (...) {
        d->resetRows();
        throw;
    }
    d->generation = nextGeneration++;
    ++d->dataVersion;
    d->state = DatasetState::Browse;
    d->emitState();
    d->restartView();
}

void Dataset::close() {
    if (!isOpen()) {
        return;
    }
    d->state = DatasetState::Inactive;
    d->resetRows();
    ++d->dataVersion;
    d->emitState();
    d->emitReset();
}

void Dataset::setActive(bool active) {
    if (active) {
        open();
    } else {
        close();
    }
}

bool Dataset::isOpen() const {
    return d->isOpen();
}

DatasetState Dataset::state() const {
    return d->state;
}

void Dataset::setUpdateTable(const QString& table, const QString& keyField) {
    d->updateTable = table;
    d->updateKey = keyField;
}

void Dataset::setUpdateColumns(const QStringList& columns) {
    d->updateColumns = columns;
}

void Dataset::disableControls() {
    ++d->disableCount;
}

void Dataset::enableControls() {
    if (d->disableCount == 0) {
        return;
    }
    if (--d->disableCount == 0) {
        Q_EMIT datasetReset();
    }
}

bool Dataset::controlsDisabled() const {
    return d->disableCount > 0;
}

Dataset::DisplayRow::DisplayRow(const Dataset& dataset, int viewRow)
    : dataset_(dataset), previous_(dataset.d->displayRow) {
    dataset_.d->displayRow = viewRow;
}

Dataset::DisplayRow::~DisplayRow() {
    dataset_.d->displayRow = previous_;
}

}  // namespace zev
