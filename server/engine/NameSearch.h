#pragma once

#include "core/ResultSet.h"
#include "core/Value.h"

#include <QString>

#include <vector>

struct sqlite3;

namespace zev::server {

class Database;

// A name as the student search compares it: lower case, with ё read as е, so that "фёдоров",
// "Федоров" and "ФЁДОРОВ" are one name.
QString foldName(const QString& name);

// Registers foldName as the SQLite function zev_fold, which the triggers of s_fio call to keep
// student_search up to date.
void registerNameFolding(sqlite3* db);

// Rows returned at most by one search: a prefix of one letter matches thousands of students at a
// university, and nobody reads past the first screens; typing on narrows the list.
inline constexpr int kFoundStudentsLimit = 100;

// FindStudent @id_login, @text: the students whose name begins with the text (folded), of the
// faculties assigned to that member of staff, one row per group, form of education, year and
// semester in which the selection cascade reaches them.
ResultSet findStudent(Database& db, const std::vector<Value>& args);

}  // namespace zev::server
