#include "data/ElectivesSql.h"

namespace zev::ElectivesSql {

QString allTeachers() {
    return QStringLiteral("SELECT * FROM t_fio");
}

QString teachersOfDepartment(const QString& department) {
    return QStringLiteral("SELECT id_teacher, t_fio FROM dbo.GetTFIO_with_pps(4, ") + department +
           QStringLiteral(")");
}

QString noTeachers() {
    return QStringLiteral("SELECT TOP 0 0 AS id_teacher, '' AS t_fio ");
}

QString deleteElective(const QString& idDisciplineForStudent) {
    return QStringLiteral("DELETE FROM DisciplineForStudent WHERE id_disciplineForStudent = ") +
           idDisciplineForStudent;
}

QString disciplineGroupFilter(const QString& descGroupNum) {
    return QStringLiteral("descGroupNum = ") + descGroupNum;
}

QString semesterFilter(const QString& year, const QString& group) {
    return QStringLiteral("(id_a_year = ") + year + QStringLiteral(") and (id_group = ") + group +
           QStringLiteral(")");
}

QString noSemesterFilter() {
    return QStringLiteral("id_a_year = -1");
}

QString streamFilter(const StreamKeys& keys) {
    return QStringLiteral("(id_kafedra = ") + keys.kafedra + QStringLiteral(") and ") +
           QStringLiteral("(id_teacher = ") + keys.teacher + QStringLiteral(") and ") +
           QStringLiteral("(id_discipline = ") + keys.discipline + QStringLiteral(") and ") +
           QStringLiteral("(id_examination = ") + keys.examination + QStringLiteral(") and ") +
           QStringLiteral("(id_a_year = ") + keys.year + QStringLiteral(") and ") +
           QStringLiteral("(id_w_s = ") + keys.idWs + QStringLiteral(")");
}

QString noStreamFilter() {
    return QStringLiteral("(id_kafedra = -200)");
}

QString insertStream(const NewStream& s) {
    const QString sep = QStringLiteral(", ");
    const bool limited = !s.capacity.isEmpty();
    return QStringLiteral(
               "INSERT INTO RRNKkrdt(id_kafedra, id_teacher, id_discipline, id_examination, "
               "id_a_year, id_w_s, prov_reyt, subgroup, plan_fakt, id_o_z, id_semester, "
               "id_type_chasov") +
           (limited ? QStringLiteral(", capacity") : QString()) + QStringLiteral(")VALUES(") +
           s.kafedra + sep + s.teacher + sep + s.discipline + sep + s.examination + sep + s.year +
           sep + s.idWs + sep + QStringLiteral("1, ") + s.number + sep + QStringLiteral("1, ") +
           s.oZ + sep + s.semester + sep + QStringLiteral("2") +
           (limited ? sep + s.capacity : QString()) + QStringLiteral(")");
}

}  // namespace zev::ElectivesSql
