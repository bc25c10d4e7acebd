// A field of a dataset: reads and assignments of the active record.
#include "data/Dataset.h"

#include "data/DatasetImpl.h"
#include "data/FieldValues.h"

namespace zev {

Field::Field(Dataset& dataset, FieldDef def, int index)
    : dataset_(dataset), def_(std::move(def)), index_(index) {
    setObjectName(dataset.objectName() + def_.name);
}

Field::~Field() = default;

int Field::size() const {
    return isStringType() ? fieldSize(def_) : 0;
}

bool Field::isStringType() const {
    return def_.type == FieldType::String || def_.type == FieldType::WideString;
}

Value Field::value() const {
    const Dataset::Impl& d = *dataset_.d;
    return d.fieldValue(index_, d.activeRow());
}

Value Field::oldValue() const {
    const Dataset::Impl& d = *dataset_.d;
    const int column = d.fieldColumn[index_];
    if (column < 0 || !d.editing()) {
        return value();
    }
    return d.state == DatasetState::Insert ? Value{} : d.original[column];
}

QString Field::text() const {
    const Value v = value();
    if (v.index() == 2) {
        return QString::number(std::get<double>(v), 'g', 15);
    }
    return valueText(v);
}

bool Field::isNull() const {
    return zev::isNull(value());
}

void Field::setValue(const Value& value) {
    Dataset::Impl& d = *dataset_.d;
    if (!d.editing()) {
        throw Error(
            QStringLiteral("%1: Dataset not in edit or insert mode").arg(dataset_.objectName()));
    }
    if (readOnly()) {
        throw Error(QStringLiteral("Field '%1' cannot be modified").arg(def_.name));
    }
    const Value converted = convertForField(def_, value);
    d.buffer[d.fieldColumn[index_]] = converted;
    d.modified = true;
    d.emitRow(d.current);
}

void Field::setText(const QString& text) {
    setValue(Value{text});
}

void Field::clear() {
    setValue(Value{});
}

}  // namespace zev
