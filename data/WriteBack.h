#pragma once

#include "core/Value.h"

#include <QString>

#include <vector>

namespace zev {

class Connection;

// One column of a posted row: its name, the value read from the server and the value to write.
struct ColumnChange {
    QString column;
    Value original;
    Value value;
};

// The statements that write a posted row back to its base table. Every statement names the row
// by its key; an UPDATE also requires every column the row was read with to still hold what was
// read, so that a change made meanwhile, by another user or in another window of the same user,
// is never overwritten nor mixed with this one.

// UPDATE of the columns whose value differs from the original, guarded by all of `columns`
// (the row's written columns as read). Sends nothing when no column changed. Throws Error with
// the conflict text when no row matched.
void writeUpdate(Connection& connection, const QString& table, const QString& keyColumn,
                 const Value& key, const std::vector<ColumnChange>& columns);

// INSERT of a new row; answers the key the server gave it.
Value writeInsert(Connection& connection, const QString& table, const QString& keyColumn,
                  const std::vector<ColumnChange>& values);

// DELETE of the row.
void writeDelete(Connection& connection, const QString& table, const QString& keyColumn,
                 const Value& key);

// The statement texts, exposed for tests of their exact form.
QString updateStatement(const QString& table, const QString& keyColumn,
                        const std::vector<ColumnChange>& columns);
QString insertStatement(const QString& table, const QString& keyColumn,
                        const std::vector<ColumnChange>& values);

// The text of a post that found its row changed or deleted since it was read.
QString writeConflictText();

}  // namespace zev
