#pragma once

#include <QString>

#include <optional>

namespace zev::server {

// Statements the client sends again and again whose literal translation makes SQLite group and
// sort thousands of rows in a temporary B-tree: the chosen-disciplines lists of a half-year
// (departments, disciplines, teachers). Each has a twin that reads the streams of the half-year
// in index order and answers the same rows, with the same column names and types, in the same
// order. The guide is found by the literal translation with the academic year and the half-year
// as holes; any other statement, or the same one with anything but plain numbers in the holes,
// has none.
//
// The statements group by the key of a department, a teacher or a discipline beside columns
// that key determines (a name); SQLite cannot tell that the key alone decides the group, so it
// cannot use an index for the grouping, while the twin groups by the key alone.
std::optional<QString> planGuide(const QString& translated);

}  // namespace zev::server
