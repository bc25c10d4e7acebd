#pragma once

struct sqlite3;

namespace zev::server {

class Database;

// Stream capacity. A stream (rows of RRNKkrdt) may have a number of places, RRNKkrdt.capacity;
// NULL is unlimited. A student's place is in a stream when it has the stream's discipline,
// teacher, academic year, half-year (the id_w_s of its semester) and number; the stream's
// capacity is the smallest one its rows give. Triggers on DisciplineForStudent refuse a place
// that enters a full stream inside the writing statement itself, so that two users writing at
// once cannot both take the last place: the writes of the embedded server go one after another,
// and each one counts what the one before it left. The refusal's words are those of SQL Server's
// trigger (server/mssql/09_stream_capacity.sql).

// Schema version 6: the column RRNKkrdt.capacity (every stream unlimited), when the file lacks
// it, and the indexes and triggers of stream capacity.
void addStreamCapacity(Database& db);

}  // namespace zev::server
