#include "registration/ChosenDisciplinesSql.h"

namespace zev::ChosenDisciplinesSql {

namespace {

// The fixed pieces, blanks included, as the server has always received them.
const QString kDisciplineSelect = QStringLiteral(
    "SELECT dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline FROM "
    "dbo.RRNKkrdt INNER JOIN dbo.discipline ON dbo.RRNKkrdt.id_discipline = "
    "dbo.discipline.id_discipline INNER JOIN dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = "
    "dbo.kafedra.id_kafedra WHERE     (dbo.RRNKkrdt.id_a_year = ");
const QString kDisciplineGroupBy = QStringLiteral(
    "GROUP BY dbo.discipline.p34, dbo.kafedra.id_kafedra, dbo.discipline.id_discipline");

const QString kTeacherSelect = QStringLiteral(
    "SELECT     dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26 + ' ' + "
    "dbo.teacher.p27 + ' ' + dbo.teacher.p28 AS t_fio FROM         dbo.RRNKkrdt INNER JOIN "
    "dbo.kafedra ON dbo.RRNKkrdt.id_kafedra = dbo.kafedra.id_kafedra INNER JOIN dbo.teacher ON "
    "dbo.RRNKkrdt.id_teacher = dbo.teacher.id_teacher WHERE     (dbo.RRNKkrdt.id_a_year = ");
const QString kTeacherGroupBy = QStringLiteral(
    "GROUP BY dbo.kafedra.id_kafedra, dbo.teacher.id_teacher, dbo.teacher.p26, dbo.teacher.p27, "
    "dbo.teacher.p28 ");

const QString kStreamFrom = QStringLiteral(
    " FROM         dbo.RRNKkrdt INNER JOIN dbo.teacher ON dbo.RRNKkrdt.id_teacher = "
    "dbo.teacher.id_teacher WHERE     (dbo.RRNKkrdt.id_a_year = ");

const QString kHalfYear = QStringLiteral(") AND (dbo.RRNKkrdt.id_w_s = ");
const QString kClose = QStringLiteral(") ");
const QString kHavingDepartment = QStringLiteral("HAVING      (dbo.kafedra.id_kafedra = ");

}  // namespace

std::optional<QString> idWsForSemester(qint64 semesterKey) {
    if (semesterKey < 1 || semesterKey > 15) {
        return std::nullopt;
    }
    return semesterKey % 2 == 1 ? QStringLiteral("2") : QStringLiteral("1");
}

QString departments(const QString& year, const QString& idWs) {
    return QStringLiteral(
               "Select ZEV.dbo.RRNKkrdt.id_kafedra,f1  From ZEV.dbo.kafedra Inner join  "
               "ZEV.dbo.RRNKkrdt on ZEV.dbo.kafedra.id_kafedra=ZEV.dbo.RRNKkrdt.id_kafedra  "
               "where id_a_year=") +
           year + QStringLiteral(" and id_w_s=") + idWs +
           QStringLiteral(" group by ZEV.dbo.RRNKkrdt.id_kafedra,f1");
}

QString disciplines(const QString& year, const QString& idWs) {
    return kDisciplineSelect + year + kHalfYear + idWs + kClose + kDisciplineGroupBy;
}

QString teachers(const QString& year, const QString& idWs) {
    return kTeacherSelect + year + kHalfYear + idWs + kClose + kTeacherGroupBy;
}

QString streams(const QString& year, const QString& idWs) {
    return QStringLiteral("SELECT     dbo.RRNKkrdt.subgroup") + kStreamFrom + year + kHalfYear +
           idWs + kClose + QStringLiteral("GROUP BY dbo.RRNKkrdt.subgroup");
}

QString rows(const QString& student, const QString& year, const QString& semester) {
    return QStringLiteral("SELECT * FROM zev.dbo.DisciplineForStudent2 WHERE id_student=") +
           student + QStringLiteral(" AND id_a_year=") + year +
           QStringLiteral(" AND id_semester=") + semester;
}

QString disciplinesOfDepartment(const QString& year, const QString& idWs,
                                const QString& department) {
    return kDisciplineSelect + year + kHalfYear + idWs + kClose + kDisciplineGroupBy +
           QStringLiteral(" ") + kHavingDepartment + department + QStringLiteral(")");
}

QString teachersOfDepartment(const QString& year, const QString& idWs, const QString& department) {
    // This statement has always been sent without a blank after "id_w_s =".
    return kTeacherSelect + year + QStringLiteral(") AND (dbo.RRNKkrdt.id_w_s =") + idWs + kClose +
           kTeacherGroupBy + kHavingDepartment + department + QStringLiteral(")");
}

QString streamsOfTeacher(const QString& year, const QString& idWs, const QString& teacher) {
    return QStringLiteral("SELECT     dbo.RRNKkrdt.subgroup, dbo.teacher.id_teacher") +
           kStreamFrom + year + kHalfYear + idWs + kClose +
           QStringLiteral("GROUP BY dbo.RRNKkrdt.subgroup, dbo.teacher.id_teacher ") +
           QStringLiteral("HAVING      (dbo.teacher.id_teacher = ") + teacher + QStringLiteral(")");
}

}  // namespace zev::ChosenDisciplinesSql
