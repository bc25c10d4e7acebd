#include "registration/ListNames.h"

#include "data/Dataset.h"

namespace zev {

namespace {

// A cell's text as the list's field shows it: empty for Null, decimal digits for an integer.
QString cellText(const ColumnStore& rows, int row, int column) {
    if (rows.isNull(row, column)) {
        return {};
    }
    switch (rows.kind(column)) {
        case ColumnKind::Int:
            return QString::number(rows.intAt(row, column));
        case ColumnKind::Float:
            return QString::number(rows.floatAt(row, column), 'g', 15);
        case ColumnKind::Text:
            return rows.textAt(row, column).toString();
    }
    return {};
}

}  // namespace

void ListNames::remember(const Dataset& list, const QString& keyField, const QString& nameField) {
    clear();
    if (!list.isOpen()) {
        return;
    }
    rows_ = list.copyOfView({keyField, nameField});
}

void ListNames::clear() {
    rows_.clear();
    indexed_ = false;
    byNumber_.clear();
    byText_.clear();
}

void ListNames::index() const {
    if (indexed_) {
        return;
    }
    indexed_ = true;
    if (rows_.columnCount() == 0) {
        return;
    }
    const bool numbers = rows_.kind(0) == ColumnKind::Int;
    for (int row = 0; row < rows_.rowCount(); ++row) {
        if (rows_.isNull(row, 0)) {
            continue;
        }
        if (numbers) {
            byNumber_.insert(rows_.intAt(row, 0), row);
        } else if (QString key = cellText(rows_, row, 0); !key.isEmpty()) {
            byText_.insert(key, row);
        }
    }
}

int ListNames::rowOf(const Value& key) const {
    if (isNull(key)) {
        return -1;
    }
    index();
    if (rows_.columnCount() == 0) {
        return -1;
    }
    const QString text = valueText(key);
    if (rows_.kind(0) != ColumnKind::Int) {
        return byText_.value(text, -1);
    }
    // An integer key column matches the key whose text is the number's own digits.
    if (const auto* number = std::get_if<std::int64_t>(&key)) {
        return byNumber_.value(*number, -1);
    }
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    return ok && QString::number(number) == text ? byNumber_.value(number, -1) : -1;
}

QString ListNames::nameOf(const Value& key) const {
    const int row = rowOf(key);
    return row < 0 ? QString() : cellText(rows_, row, 1);
}

QString ListNames::nameFor(const Field& lookupField) const {
    const Field* key = lookupField.dataset().findField(lookupField.keyFields());
    return key ? nameOf(key->value()) : QString();
}

}  // namespace zev
