#pragma once

#include "core/Cp1251.h"
#include "core/Value.h"
#include "data/ColumnStore.h"
#include "data/Dataset.h"

#include <QString>

namespace zev {

// How a field of each type is stored.
ColumnKind columnKindOf(FieldType type);

// The value that a field of this definition holds when `value` is assigned to it: converted to
// the field's type, a text cut to the field's size, a number checked against the allowed range.
// Throws Error with the data layer's message when the value does not convert or is out of range.
Value convertForField(const FieldDef& def, const Value& value);

// The conversion of a value read from the server: to the field's type only. Texts stay exactly
// as the server holds them (no cut, no character mapping) and no range is checked, so that the
// original values a posted row's UPDATE compares with are the server's own. A value that does
// not convert throws Error.
Value convertFetched(const FieldDef& def, const Value& value);

// Characters a string field of this definition holds (the default when no size is given).
int fieldSize(const FieldDef& def);

}  // namespace zev
