#pragma once

struct sqlite3;

namespace zev::server {

// Registers on a connection the SQLite functions that give translated statements their T-SQL
// meaning: the arithmetic of operator chains (kArithmeticFunction), LIKE with character classes
// and without regard to letter case, and UPPER/LOWER for every alphabet.
// It registers the collation of the schema's text columns, kTextCollation, too: without it a
// statement that compares or sorts those columns cannot be prepared.
void registerSqlFunctions(sqlite3* db);

inline constexpr const char* kTextCollation = "zev_ci";

}  // namespace zev::server
