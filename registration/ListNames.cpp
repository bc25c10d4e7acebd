#include "registration/ListNames.h"

#include "data/Dataset.h"

namespace zev {

void ListNames::remember(const Dataset& list, const QString& keyField, const QString& nameField) {
    names_.clear();
    if (!list.isOpen()) {
        return;
    }
    const Field& key = list.fieldByName(keyField);
    const Field& name = list.fieldByName(nameField);
    for (int row = 0; row < list.recordCount(); ++row) {
        const Dataset::DisplayRow shown(list, row);
        if (!key.text().isEmpty()) {
            names_.insert(key.text(), name.text());
        }
    }
}

QString ListNames::nameOf(const Value& key) const {
    return isNull(key) ? QString() : names_.value(valueText(key));
}

QString ListNames::nameFor(const Field& lookupField) const {
    const Field* key = lookupField.dataset().findField(lookupField.keyFields());
    return key ? nameOf(key->value()) : QString();
}

}  // namespace zev
