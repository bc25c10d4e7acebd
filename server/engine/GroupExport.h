#pragma once

#include "core/ResultSet.h"
#include "core/Value.h"

#include <vector>

namespace zev::server {

class Database;

// GetGroupElectives @id_speciality, @id_a_year, @id_semester, @id_group: every elective place of
// every student of the group in the curriculum of that speciality, year and semester, with the
// names of what is chosen for it, by student name and then as the electives grid orders a
// student's places.
ResultSet groupElectives(Database& db, const std::vector<Value>& args);
// Its statement in SQLite's dialect, parameters ?1 to ?4 as the procedure's (for the bench's raw
// baseline).
const QString& groupElectivesSql();

// GetFacultyGroups @id_login, @id_faculty, @id_a_year, @id_semester: the groups that the
// selection cascade offers under that faculty, year and semester (every form of education and
// speciality), each with its speciality, by speciality and group name; nothing when the faculty
// is not assigned to that member of staff.
ResultSet facultyGroups(Database& db, const std::vector<Value>& args);

}  // namespace zev::server
