// Opening a dataset: the driver's rows go cell by cell into the column store, converted only where
// a field's type differs from what the server sent.
#include "data/DatasetImpl.h"
#include "data/FieldValues.h"

namespace zev {

namespace {

FieldType fieldTypeOf(ColumnType type) {
    switch (type) {
        case ColumnType::Float:
            return FieldType::Float;
        case ColumnType::Text:
            return FieldType::WideString;
        default:
            return FieldType::Integer;
    }
}

int columnNamed(const std::vector<ResultColumn>& columns, const QString& name) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

class Dataset::Impl::Loader final : public RowSink {
public:
    explicit Loader(Dataset::Impl& d) : d_(d) {}

    void begin(const std::vector<ResultColumn>& columns, int rowHint) override {
        const std::size_t count = columns.size();
        target_.assign(count, -1);
        defs_.assign(count, nullptr);
        if (!d_.declared) {
            beginUndeclared(columns, rowHint);
            return;
        }
        std::vector<ColumnKind> kinds;
        for (std::size_t f = 0; f < d_.fields.size(); ++f) {
            const FieldDef& def = d_.fields[f]->definition();
            d_.lookupKeyField[f] = -1;
            d_.lookupCache[f] = Dataset::Impl::LookupCache{};
            if (d_.fields[f]->isLookup()) {
                d_.fieldColumn[f] = -1;
                d_.lookupKeyField[f] = d_.fieldIndex(def.keyFields);
                if (d_.lookupKeyField[f] < 0) {
                    throw Error(QStringLiteral("%1: Field '%2' not found")
                                    .arg(d_.q.objectName(), def.keyFields));
                }
                continue;
            }
            const int source = columnNamed(columns, def.name);
            if (source < 0) {
                throw Error(
                    QStringLiteral("%1: Field '%2' not found").arg(d_.q.objectName(), def.name));
            }
            d_.fieldColumn[f] = static_cast<int>(kinds.size());
            target_[static_cast<std::size_t>(source)] = d_.fieldColumn[f];
            defs_[static_cast<std::size_t>(source)] = &def;
            kinds.push_back(columnKindOf(def.type));
        }
        resetStore(kinds, rowHint);
    }

    void beginRow() override {
        if (!pending_.empty()) {
            decideFromFirstRow(nullptr);
        }
        if (fallback_) {
            fallback_->beginRow();
            return;
        }
        row_ = d_.store.appendRow();
        cell_ = 0;
    }

    void addNull() override {
        if (fallback_) {
            fallback_->addNull();
            return;
        }
        ++cell_;
    }

    void addInteger(std::int64_t value) override {
        if (fallback_) {
            fallback_->addInteger(value);
            return;
        }
        putInteger(cell_++, value);
    }

    void addFloat(double value) override {
        if (fallback_) {
            fallback_->addFloat(value);
            return;
        }
        putFloat(cell_++, value);
    }

    void addText(QStringView text) override {
        if (fallback_) {
            fallback_->addText(text);
            return;
        }
        putText(cell_++, text);
    }

    void addUtf8(const char* data, qsizetype size) override {
        if (fallback_) {
            fallback_->addUtf8(data, size);
            return;
        }
        putUtf8(cell_++, data, size);
    }

    void addRow(const RowCell* cells, int count) override {
        if (!pending_.empty()) {
            decideFromFirstRow(cells);
        }
        if (fallback_) {
            fallback_->addRow(cells, count);
            return;
        }
        row_ = d_.store.appendRow();
        for (int column = 0; column < count; ++column) {
            const RowCell& cell = cells[column];
            switch (cell.kind) {
                case RowCell::Kind::Integer:
                    if (const int t = intColumn_[static_cast<std::size_t>(column)]; t >= 0) {
                        d_.store.setInt(row_, t, cell.integer);  // the usual case: a key
                    } else {
                        putInteger(column, cell.integer);
                    }
                    break;
                case RowCell::Kind::Float:
                    putFloat(column, cell.real);
                    break;
                case RowCell::Kind::Utf8:
                    putUtf8(column, cell.utf8, cell.size);
                    break;
                case RowCell::Kind::Utf16:
                    putText(column, QStringView(cell.utf16, cell.size));
                    break;
                default:
                    break;  // a new row's cells are Null
            }
        }
    }

    void end() override {
        if (!pending_.empty()) {
            decideFromFirstRow(nullptr);
        }
        if (fallback_) {
            fallback_->end();
            ResultSet rows = fallback_->take();
            rows.columns = fallbackColumns_;  // load() decides unknown types from every value
            d_.load(rows);
            return;
        }
        if (!d_.declared) {
            endUndeclared();
        }
        const int rows = d_.store.rowCount();
        d_.live.assign(static_cast<std::size_t>(rows), 1);
        d_.order.resize(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            d_.order[static_cast<std::size_t>(r)] = r;
        }
    }

private:
    // Without declared fields each column becomes a field of its own type; a column whose type
    // the driver does not know is decided from all of its values, so such a result is collected
    // first and loaded as a whole.
    void beginUndeclared(const std::vector<ResultColumn>& columns, int rowHint) {
        for (const ResultColumn& c : columns) {
            if (c.type == ColumnType::Unknown) {
                // Decided by the first row when it comes whole (see decideFromFirstRow).
                pending_ = columns;
                pendingHint_ = rowHint;
                return;
            }
        }
        storeUndeclared(columns, rowHint);
    }

    void storeUndeclared(const std::vector<ResultColumn>& columns, int rowHint) {
        std::vector<ColumnKind> kinds;
        ownDefs_.assign(columns.size(), FieldDef{});
        longest_.assign(columns.size(), 20);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            ownDefs_[c].name = columns[c].name;
            ownDefs_[c].type = fieldTypeOf(columns[c].type);
            target_[c] = static_cast<int>(c);
            defs_[c] = &ownDefs_[c];
            kinds.push_back(columnKindOf(ownDefs_[c].type));
        }
        resetStore(kinds, rowHint);
    }

    // A column of unknown type is a text column as soon as one of its values is a text. When the
    // first row has a text in every such column, their type is known and the rows go straight
    // into the column store; otherwise the result is collected and loaded as a whole (`cells`
    // null: no first row comes, or it comes cell by cell).
    void decideFromFirstRow(const RowCell* cells) {
        std::vector<ResultColumn> columns = std::move(pending_);
        pending_.clear();
        bool allText = cells != nullptr;
        for (std::size_t c = 0; allText && c < columns.size(); ++c) {
            if (columns[c].type == ColumnType::Unknown) {
                const RowCell::Kind kind = cells[c].kind;
                allText = kind == RowCell::Kind::Utf8 || kind == RowCell::Kind::Utf16;
            }
        }
        if (allText) {
            for (ResultColumn& c : columns) {
                if (c.type == ColumnType::Unknown) {
                    c.type = ColumnType::Text;
                }
            }
            storeUndeclared(columns, pendingHint_);
            return;
        }
        fallback_ = std::make_unique<ResultSetSink>();
        fallback_->begin(columns, pendingHint_);
        fallbackColumns_ = columns;
    }

    // The fields of the previous open stay when names and types match; a new text field is as
    // wide as the longest text read.
    void endUndeclared() {
        for (std::size_t c = 0; c < ownDefs_.size(); ++c) {
            if (ownDefs_[c].type == FieldType::WideString) {
                ownDefs_[c].size = longest_[c];
            }
        }
        bool same = ownDefs_.size() == d_.fields.size();
        for (std::size_t i = 0; same && i < ownDefs_.size(); ++i) {
            same = ownDefs_[i].name == d_.fields[i]->fieldName() &&
                   ownDefs_[i].type == d_.fields[i]->dataType();
        }
        if (!same) {
            d_.createFields(ownDefs_);
        }
        for (std::size_t f = 0; f < d_.fields.size(); ++f) {
            d_.fieldColumn[f] = static_cast<int>(f);
            d_.lookupKeyField[f] = -1;
            d_.lookupCache[f] = Dataset::Impl::LookupCache{};
        }
    }

    void resetStore(const std::vector<ColumnKind>& kinds, int rowHint) {
        d_.store.reset(kinds, std::max(rowHint, 0));
        intColumn_.assign(target_.size(), -1);
        for (std::size_t c = 0; c < target_.size(); ++c) {
            const int t = target_[c];
            if (t >= 0 && kinds[static_cast<std::size_t>(t)] == ColumnKind::Int) {
                intColumn_[c] = t;
            }
        }
    }

    // One cell of the current row, from result column `column`: stored as it is where the field
    // keeps that kind, converted otherwise; a column that feeds no field is skipped.
    void putInteger(int column, std::int64_t value) {
        const int t = target_[static_cast<std::size_t>(column)];
        if (t < 0) {
            return;
        }
        if (d_.store.kind(t) == ColumnKind::Int) {
            d_.store.setInt(row_, t, value);
        } else {
            convert(column, Value{value});
        }
    }

    void putFloat(int column, double value) {
        const int t = target_[static_cast<std::size_t>(column)];
        if (t < 0) {
            return;
        }
        if (d_.store.kind(t) == ColumnKind::Float) {
            d_.store.setFloat(row_, t, value);
        } else {
            convert(column, Value{value});
        }
    }

    void putText(int column, QStringView text) {
        const int t = target_[static_cast<std::size_t>(column)];
        if (t < 0) {
            return;
        }
        if (d_.store.kind(t) == ColumnKind::Text) {
            d_.store.setText(row_, t, text);
            noteLength(column, text.size());
        } else {
            convert(column, Value{text.toString()});
        }
    }

    void putUtf8(int column, const char* data, qsizetype size) {
        const int t = target_[static_cast<std::size_t>(column)];
        if (t >= 0 && d_.store.kind(t) == ColumnKind::Text) {
            d_.store.setUtf8(row_, t, data, size);
            noteLength(column, d_.store.textAt(row_, t).size());
            return;
        }
        putText(column, QString::fromUtf8(data, size));
    }

    void noteLength(int column, qsizetype length) {
        if (!longest_.empty()) {
            int& longest = longest_[static_cast<std::size_t>(column)];
            longest = std::max(longest, static_cast<int>(length));
        }
    }

    // A cell whose kind differs from its field's: converted as a fetched value of the field.
    void convert(int column, const Value& value) {
        const FieldDef& def = *defs_[static_cast<std::size_t>(column)];
        try {
            d_.store.set(row_, target_[static_cast<std::size_t>(column)],
                         convertFetched(def, value));
        } catch (const Error&) {
            throw Error(QStringLiteral("%1: Type mismatch for field '%2': '%3' cannot be read")
                            .arg(d_.q.objectName(), def.name, valueText(value)));
        }
    }

    Dataset::Impl& d_;
    std::vector<int> target_;            // stored column fed by each result column, or -1
    std::vector<int> intColumn_;         // the same where that stored column keeps integers
    std::vector<const FieldDef*> defs_;  // definition of the field each result column feeds
    std::vector<FieldDef> ownDefs_;      // without declared fields: one per result column
    std::vector<int> longest_;           // without declared fields: longest text per column
    std::vector<ResultColumn> pending_;  // columns waiting for the first row to decide a type
    int pendingHint_ = -1;
    std::unique_ptr<ResultSetSink> fallback_;
    std::vector<ResultColumn> fallbackColumns_;
    int row_ = -1;
    int cell_ = 0;
};

void Dataset::Impl::loadFromDriver() {
    Loader loader(*this);
    q.fetchInto(loader);
}

}  // namespace zev
