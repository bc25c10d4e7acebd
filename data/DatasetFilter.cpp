// The view of a dataset: filter, sort, and the searches (locate, lookup).
#include "data/Dataset.h"

#include "data/DatasetImpl.h"
#include "data/FieldValues.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <unordered_map>

namespace zev {

std::shared_ptr<const FilterProgram> Dataset::Impl::compileFilter(const QString& text) const {
    return FilterProgram::compile(text, [this](const QString& name) {
        FilterFieldRef ref;
        ref.field = fieldIndex(name);
        if (ref.field >= 0) {
            ref.column = fieldColumn[ref.field];
            ref.kind = fieldKind(ref.field);
        }
        return ref;
    });
}

ColumnKind Dataset::Impl::fieldKind(int field) const {
    const int column = fieldColumn[field];
    if (column >= 0 && column < store.columnCount()) {
        return store.kind(column);
    }
    return columnKindOf(fields[field]->dataType());
}

void Dataset::Impl::rebuildView() {
    view.clear();
    if (!isOpen()) {
        return;
    }
    view.reserve(order.size());
    if (filterActive()) {
        const FilterProgram::ComputedValue computed = [this](int field, int row) {
            return fieldValue(field, row);
        };
        for (int row : order) {
            if (program->matches(store, row, computed)) {
                view.push_back(row);
            }
        }
    } else {
        view = order;
    }
    const int sortBy = sortField.isEmpty() ? -1 : fieldIndex(sortField);
    if (sortBy < 0) {
        return;
    }
    const int column = fieldColumn[sortBy];
    if (column >= 0 && store.kind(column) == ColumnKind::Int) {
        std::stable_sort(view.begin(), view.end(), [&](int a, int b) {
            const bool na = store.isNull(a, column);
            const bool nb = store.isNull(b, column);
            if (na || nb) {
                return na && !nb;  // Nulls first
            }
            return store.intAt(a, column) < store.intAt(b, column);
        });
        return;
    }
    // Texts sort as a Russian reader expects a list of names: in alphabetical order, Ё with Е,
    // without regard to case. Each row's sort key is made once, not at every comparison.
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::unordered_map<int, QCollatorSortKey> textKeys;
    const auto textKey = [&](int row, const Value& v) -> const QCollatorSortKey& {
        auto found = textKeys.find(row);
        if (found == textKeys.end()) {
            found = textKeys.emplace(row, collator.sortKey(valueText(v))).first;
        }
        return found->second;
    };
    std::stable_sort(view.begin(), view.end(), [&](int a, int b) {
        const Value va = fieldValue(sortBy, a);
        const Value vb = fieldValue(sortBy, b);
        if (isNull(va) || isNull(vb)) {
            return isNull(va) && !isNull(vb);
        }
        if (std::holds_alternative<QString>(va) || std::holds_alternative<QString>(vb)) {
            return textKey(a, va).compare(textKey(b, vb)) < 0;
        }
        const auto num = [](const Value& v) {
            return v.index() == 1 ? static_cast<double>(std::get<std::int64_t>(v))
                                  : std::get<double>(v);
        };
        return num(va) < num(vb);
    });
}

void Dataset::Impl::restartView() {
    rebuildView();
    current = view.empty() ? -1 : 0;
    bof = true;
    eof = view.empty();
    emitReset();
    fireAfterScroll();
}

void Dataset::setFilter(const QString& filterText) {
    // Compile first: a text that does not compile leaves everything as it was.
    std::shared_ptr<const FilterProgram> program;
    const bool fieldsKnown = isOpen() || d->declared;
    if (fieldsKnown && !filterText.trimmed().isEmpty()) {
        program = d->compileFilter(filterText);
    } else if (!fieldsKnown) {
        // The fields come with the next open, which compiles the text against them; the form of
        // the text can be checked now.
        FilterProgram::compile(filterText,
                               [](const QString&) { return FilterFieldRef{.field = 0}; });
    }
    if (isOpen() && d->filtered) {
        d->checkBrowseMode();
    }
    d->filterText = filterText;
    d->program = std::move(program);
    if (isOpen() && d->filtered) {
        d->restartView();
    }
}

const QString& Dataset::filter() const {
    return d->filterText;
}

void Dataset::setFiltered(bool filtered) {
    if (filtered == d->filtered) {
        return;
    }
    if (isOpen()) {
        d->checkBrowseMode();
    }
    d->filtered = filtered;
    if (isOpen()) {
        d->restartView();
    }
}

bool Dataset::filtered() const {
    return d->filtered;
}

bool Dataset::locate(const QString& fieldName, const Value& value) {
    d->checkActive();
    const Field& field = fieldByName(fieldName);
    d->checkBrowseMode();
    for (std::size_t i = 0; i < d->view.size(); ++i) {
        if (valuesEqual(d->fieldValue(field.index(), d->view[i]), value)) {
            d->moveTo(static_cast<int>(i), true);
            return true;
        }
    }
    return false;
}

Value Dataset::lookup(const QString& keyField, const Value& key, const QString& resultField) const {
    if (!isOpen()) {
        return Value{};  // a closed list has no rows to find
    }
    const Field& keyF = fieldByName(keyField);
    const Field& resultF = fieldByName(resultField);
    const int column = d->fieldColumn[keyF.index()];
    int row = -1;
    if (column >= 0) {
        row = d->findRow(column, key);
    } else {
        for (int r : d->order) {  // a computed key field: no index, search the rows
            if (valuesEqual(d->fieldValue(keyF.index(), r), key)) {
                row = r;
                break;
            }
        }
    }
    return row < 0 ? Value{} : d->fieldValue(resultF.index(), row);
}

ColumnStore Dataset::copyOfView(const QStringList& fieldNames) const {
    std::vector<int> copied;
    std::vector<ColumnKind> kinds;
    for (const QString& name : fieldNames) {
        const int field = fieldByName(name).index();
        copied.push_back(field);
        kinds.push_back(d->fieldKind(field));
    }
    ColumnStore copy;
    copy.reset(kinds, static_cast<int>(d->view.size()));
    for (const int row : d->view) {
        const int to = copy.appendRow();
        const bool edited = d->editing() && row == d->editRow;
        for (std::size_t c = 0; c < copied.size(); ++c) {
            const int field = copied[c];
            const int column = d->fieldColumn[field];
            if (column >= 0 && !edited) {
                copy.copyCell(to, static_cast<int>(c), d->store, row, column);
            } else {
                copy.set(to, static_cast<int>(c), d->fieldValue(field, row));
            }
        }
    }
    return copy;
}

void Dataset::setSort(const QString& fieldName) {
    if (!fieldName.isEmpty() && (isOpen() || d->declared)) {
        fieldByName(fieldName);  // an unknown field is an error, and the order stays
    }
    if (isOpen()) {
        d->checkBrowseMode();
    }
    d->sortField = fieldName;
    if (!isOpen()) {
        return;
    }
    const int row = d->current >= 0 ? d->view[d->current] : -1;
    d->rebuildView();
    const int position = row < 0 ? -1 : d->viewPosition(row);
    d->current = position >= 0 ? position : (d->view.empty() ? -1 : 0);
    d->bof = d->eof = d->view.empty();
    d->emitReset();
    if (position < 0 && row >= 0) {
        d->fireAfterScroll();
    }
}

const QString& Dataset::sort() const {
    return d->sortField;
}

}  // namespace zev
