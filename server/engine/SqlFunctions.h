#pragma once

struct sqlite3;

namespace zev::server {

// Registers on a connection the SQLite functions that give translated statements their T-SQL
// meaning: the arithmetic of operator chains (kArithmeticFunction), LIKE with character classes
// and without regard to letter case, and UPPER/LOWER for every alphabet.
void registerSqlFunctions(sqlite3* db);

}  // namespace zev::server
