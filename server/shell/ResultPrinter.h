#pragma once

#include "core/ResultSet.h"

#include <QString>

namespace zev::shell {

// A result as an aligned table: a header, a rule, one line per row (numbers right-aligned, Null
// shown as NULL) and a closing "(n rows)" line.
QString formatTable(const ResultSet& result);

// A result as CSV (RFC 4180): a header line, then one line per row; fields with a comma, a quote
// or a line break go in double quotes with quotes doubled; Null is an empty field.
QString formatCsv(const ResultSet& result);

}  // namespace zev::shell
