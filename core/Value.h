#pragma once

#include <QString>

#include <cstdint>
#include <variant>

namespace zev {

// A nullable database value as it travels between the server, the datasets and the windows.
// Integers of every width travel as 64-bit; a field narrows them to its own type.
using Value = std::variant<std::monostate, std::int64_t, double, QString>;

inline bool isNull(const Value& v) {
    return std::holds_alternative<std::monostate>(v);
}

// The text form used everywhere a value is spliced into a statement, a filter or a lookup:
// the empty text for Null, the decimal digits for an integer, the text itself for a string.
QString valueText(const Value& v);

// Value equality as the datasets compare keys: Null equals only Null, numbers compare by value
// (an integer and a double holding the same number are equal), texts compare exactly.
bool valuesEqual(const Value& a, const Value& b);

// What a column of a result holds.
enum class ColumnType { Integer, Float, Text, Unknown };

}  // namespace zev
