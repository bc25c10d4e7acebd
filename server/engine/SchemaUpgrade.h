#pragma once

namespace zev::server {

class Database;

// The version of a ZEV database's objects. The embedded server keeps it in SQLite's user_version
// and follows the numbers of dbo.schema_version on SQL Server (server/mssql): a file made by the
// generator before versions were kept reads 0 and holds the objects of version 3.
inline constexpr int kSchemaVersion = 6;

// Brings a database made from schema/zev.sql up to kSchemaVersion: runs, in order, every step
// above the file's version and records the new version, all in one transaction (a second
// process that opens the file meanwhile waits, then finds it done). Nothing happens on a file
// that is up to date; a file of a newer version is left as it is.
void upgradeSchema(Database& db);

}  // namespace zev::server
