#include "server/engine/GroupExport.h"

#include "server/engine/Database.h"

namespace zev::server {

const QString& groupElectivesSql() {
    // Only the group's present members: a student who left it keeps his rows, but the cascade no
    // longer lists him under the group.
    static const QString sql = QStringLiteral(
        "SELECT s.id_student, s.s_fio, d.id_disciplineForStudent, d.descGroupNum, d.p30, "
        "d.id_discipline, dsc.p34, d.id_teacher, te.p26 || ' ' || te.p27 || ' ' || te.p28, "
        "d.subgroup, d.id_a_year, y.p32, d.id_semester, sem.p43 "
        "FROM s_g AS sg "
        "JOIN s_fio AS s ON s.id_student = sg.id_student "
        "JOIN DisciplineForStudent AS d ON d.id_student = sg.id_student "
        "AND d.plan_a_year = ?2 AND d.plan_semester = ?3 AND d.id_speciality = ?1 "
        "AND d.id_group = sg.id_group "
        "LEFT JOIN discipline AS dsc ON dsc.id_discipline = d.id_discipline "
        "LEFT JOIN teacher AS te ON te.id_teacher = d.id_teacher "
        "LEFT JOIN a_year AS y ON y.id_a_year = d.id_a_year "
        "LEFT JOIN Semester AS sem ON sem.id_semester = d.id_semester "
        "WHERE sg.id_group = ?4 "
        "ORDER BY s.s_fio, s.id_student, d.descGroupNum, d.id_disciplineForStudent");
    return sql;
}

ResultSet groupElectives(Database& db, const std::vector<Value>& args) {
    return db.query(groupElectivesSql(), args);
}

ResultSet facultyGroups(Database& db, const std::vector<Value>& args) {
    // A speciality taught in two forms of education stands twice in Speciality_form; its groups
    // are listed once.
    static const QString sql = QStringLiteral(
        "SELECT gs.id_speciality, MIN(sf.\"p25-2\"), g.id_group, g.p20 "
        "FROM Speciality_form AS sf "
        "JOIN user_faculty AS uf ON uf.faculty = sf.id_faculty AND uf.id_login = ?1 "
        "JOIN g_s AS gs ON gs.id_speciality = sf.id_speciality "
        "JOIN \"group\" AS g ON g.id_group = gs.id_group "
        "JOIN g_r_y AS gry ON gry.id_group = gs.id_group AND gry.id_a_year = ?3 "
        "JOIN Semester AS sem ON sem.id_rate = gry.id_rate AND sem.id_semester = ?4 "
        "WHERE sf.id_faculty = ?2 "
        "GROUP BY gs.id_speciality, g.id_group, g.p20 "
        "ORDER BY 2, g.p20, g.id_group");
    return db.query(sql, args);
}

}  // namespace zev::server
