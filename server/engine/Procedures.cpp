#include "server/engine/Procedures.h"

#include "server/engine/Database.h"
#include "server/engine/GroupExport.h"
#include "server/engine/History.h"
#include "server/engine/NameSearch.h"
#include "server/engine/SignIn.h"

#include <QHash>

namespace zev::server {

namespace {

ResultColumn col(const char* name, ColumnType type) {
    return {QString::fromLatin1(name), type};
}
Parameter intParam(const char* name) {
    return {QString::fromLatin1(name), ColumnType::Integer};
}
Parameter textParam(const char* name) {
    return {QString::fromLatin1(name), ColumnType::Text};
}

// Runs the procedure's statement under the procedure's own column names and types, whatever
// SQLite makes of them.
void shaped(Database& db, const QString& sql, const std::vector<Value>& args, RowSink& sink,
            const char* procedureName) {
    static const QHash<QString, const Procedure*> byName = [] {
        QHash<QString, const Procedure*> map;
        for (const Procedure& p : procedures()) {
            map.insert(p.name, &p);
        }
        return map;
    }();
    const Procedure* procedure = byName.value(QString::fromLatin1(procedureName));
    db.queryInto(sql, args, {}, sink, &procedure->columns);
}

// The elective places of a student in one curriculum year and semester of a speciality and group.
// p34 names the discipline that the curriculum fixes for the place (NULL for a free choice).
const QString& selectDisciplineForStudentSql() {
    static const QString sql = QStringLiteral(
        "SELECT d.id_disciplineForStudent, d.id_discipline, d.id_teacher, f.p34, d.ZEV_user, "
        "d.id_examination, d.subgroup, d.id_group, d.descGroupNum, d.id_semester, d.id_a_year, "
        "d.p30 "
        "FROM DisciplineForStudent AS d LEFT JOIN discipline AS f "
        "ON f.id_discipline = d.fixed_discipline "
        "WHERE d.id_student = ?4 AND d.plan_a_year = ?2 AND d.plan_semester = ?3 "
        "AND d.id_speciality = ?1 AND d.id_group = ?5 "
        "ORDER BY d.descGroupNum, d.id_disciplineForStudent");
    return sql;
}

void selectDisciplineForStudent(Database& db, const std::vector<Value>& a, RowSink& sink) {
    shaped(db, selectDisciplineForStudentSql(), a, sink, "SelectDisciplineForStudent");
}

// The disciplines on offer for the student's places in that year and semester: every alternative
// of each group of alternatives in which the student has a place.
const QString& getDisciplineForDisciplineNameSql() {
    static const QString sql = QStringLiteral(
        "SELECT pe.id_discipline, d.p34, pe.descGroupNum, pe.id_kafedra, pe.id_examination, "
        "pe.Krdt "
        "FROM plan_elective AS pe JOIN discipline AS d ON d.id_discipline = pe.id_discipline "
        "WHERE pe.id_speciality = ?1 AND pe.id_a_year = ?2 AND pe.id_semester = ?4 "
        "AND pe.descGroupNum IN (SELECT s.descGroupNum FROM DisciplineForStudent AS s "
        "WHERE s.id_student = ?3 AND s.plan_a_year = ?2 AND s.plan_semester = ?4 "
        "AND s.id_speciality = ?1) "
        "ORDER BY pe.descGroupNum, d.p34");
    return sql;
}

void getDisciplineForDisciplineName(Database& db, const std::vector<Value>& a, RowSink& sink) {
    shaped(db, getDisciplineForDisciplineNameSql(), a, sink, "GetDisciplineForDisciplineName");
}

// The disciplines for which a debt of the student (a member of the group) may stand in that
// semester: those the student takes in it and those already recorded as debts.
const QString& getDebtsSql() {
    static const QString sql = QStringLiteral(
        "SELECT d.id_discipline, d.p34 FROM discipline AS d "
        "WHERE EXISTS (SELECT 1 FROM s_g WHERE s_g.id_student = ?2 AND s_g.id_group = ?1) "
        "AND d.id_discipline IN ("
        "SELECT id_discipline FROM DisciplineForStudent WHERE id_student = ?2 AND id_semester = ?3 "
        "UNION SELECT fixed_discipline FROM DisciplineForStudent "
        "WHERE id_student = ?2 AND id_semester = ?3 "
        "UNION SELECT id_discipline FROM Debts WHERE id_student = ?2 AND id_semester = ?3) "
        "ORDER BY d.p34");
    return sql;
}

void getDebts(Database& db, const std::vector<Value>& a, RowSink& sink) {
    shaped(db, getDebtsSql(), a, sink, "GetDebts");
}

// The streams of a discipline, teacher, academic year and half-year: each number with its
// capacity (the smallest its rows give, NULL for unlimited) and the places taken in it, the
// students' places with that discipline, teacher, year, number and a semester of that half-year.
void getStreamPlaces(Database& db, const std::vector<Value>& a, RowSink& sink) {
    static const QString sql = QStringLiteral(
        "SELECT r.subgroup, MIN(r.capacity), "
        "(SELECT count(*) FROM DisciplineForStudent AS t "
        "JOIN Semester AS ts ON ts.id_semester = t.id_semester "
        "WHERE t.id_discipline = ?1 AND t.id_teacher = ?2 AND t.id_a_year = ?3 "
        "AND t.subgroup = r.subgroup AND ts.id_w_s = ?4) "
        "FROM RRNKkrdt AS r "
        "WHERE r.id_discipline = ?1 AND r.id_teacher = ?2 AND r.id_a_year = ?3 AND r.id_w_s = ?4 "
        "AND r.subgroup IS NOT NULL "
        "GROUP BY r.subgroup ORDER BY r.subgroup");
    shaped(db, sql, a, sink, "GetStreamPlaces");
}

void getUser(Database& db, const std::vector<Value>& a, RowSink& sink) {
    replayResult(signIn(db, a), sink);
}

void findStudentByName(Database& db, const std::vector<Value>& a, RowSink& sink) {
    ResultSet rows = findStudent(db, a);
    rows.columns = findProcedure(QStringLiteral("FindStudent"))->columns;
    replayResult(rows, sink);
}

void getGroupElectives(Database& db, const std::vector<Value>& a, RowSink& sink) {
    ResultSet rows = groupElectives(db, a);
    rows.columns = findProcedure(QStringLiteral("GetGroupElectives"))->columns;
    replayResult(rows, sink);
}

void getFacultyGroups(Database& db, const std::vector<Value>& a, RowSink& sink) {
    ResultSet rows = facultyGroups(db, a);
    rows.columns = findProcedure(QStringLiteral("GetFacultyGroups"))->columns;
    replayResult(rows, sink);
}

}  // namespace

const std::vector<Procedure>& procedures() {
    static const std::vector<Procedure> list = {
        {QStringLiteral("SelectDisciplineForStudent"),
         {intParam("@id_speciality"), intParam("@id_a_year"), intParam("@id_semester"),
          intParam("@id_student"), intParam("@id_group")},
         {col("id_disciplineForStudent", ColumnType::Integer),
          col("id_discipline", ColumnType::Integer), col("id_teacher", ColumnType::Integer),
          col("p34", ColumnType::Text), col("ZEV_user", ColumnType::Text),
          col("id_examination", ColumnType::Integer), col("subgroup", ColumnType::Integer),
          col("id_group", ColumnType::Integer), col("descGroupNum", ColumnType::Integer),
          col("id_semester", ColumnType::Integer), col("id_a_year", ColumnType::Integer),
          col("p30", ColumnType::Text)},
         selectDisciplineForStudent},
        {QStringLiteral("GetDisciplineForDisciplineName"),
         {intParam("@id_speciality"), intParam("@id_a_year"), intParam("@id_student"),
          intParam("@id_semester")},
         {col("id_discipline", ColumnType::Integer), col("p34", ColumnType::Text),
          col("descGroupNum", ColumnType::Integer), col("id_kafedra", ColumnType::Integer),
          col("id_examination", ColumnType::Integer), col("Krdt", ColumnType::Integer)},
         getDisciplineForDisciplineName},
        {QStringLiteral("GetDebts"),
         {intParam("@id_group"), intParam("@id_student"), intParam("@id_semester")},
         {col("id_discipline", ColumnType::Integer), col("discipline", ColumnType::Text)},
         getDebts},
        {QStringLiteral("GET_USER"),
         {textParam("@login"), textParam("@password"), textParam("@new_password"),
          textParam("@program"), textParam("@ip"), textParam("@computer"), textParam("@user_name"),
          textParam("@mode"), textParam("@new_password_length")},
         {col("db_user", ColumnType::Text), col("db_password", ColumnType::Text),
          col("id_login", ColumnType::Integer), col("password_days", ColumnType::Integer),
          col("message", ColumnType::Text), col("update_flag", ColumnType::Integer)},
         getUser,
         true},
        {QStringLiteral("FindStudent"),
         {intParam("@id_login"), textParam("@text")},
         {col("id_student", ColumnType::Integer), col("s_fio", ColumnType::Text),
          col("id_faculty", ColumnType::Integer), col("id_f_educ", ColumnType::Integer),
          col("p108", ColumnType::Text), col("id_speciality", ColumnType::Integer),
          col("p25-2", ColumnType::Text), col("id_a_year", ColumnType::Integer),
          col("p32", ColumnType::Text), col("id_semester", ColumnType::Integer),
          col("p43", ColumnType::Text), col("id_group", ColumnType::Integer),
          col("p20", ColumnType::Text)},
         findStudentByName},
        {QStringLiteral("GetRowHistory"),
         {textParam("@table_name"), intParam("@row_key")},
         historyColumns(),
         rowHistory},
        {QStringLiteral("GetStudentHistory"),
         {intParam("@id_student")},
         historyColumns(),
         studentHistory},
        {QStringLiteral("GetGroupElectives"),
         {intParam("@id_speciality"), intParam("@id_a_year"), intParam("@id_semester"),
          intParam("@id_group")},
         {col("id_student", ColumnType::Integer), col("s_fio", ColumnType::Text),
          col("id_disciplineForStudent", ColumnType::Integer),
          col("descGroupNum", ColumnType::Integer), col("p30", ColumnType::Text),
          col("id_discipline", ColumnType::Integer), col("p34", ColumnType::Text),
          col("id_teacher", ColumnType::Integer), col("t_fio", ColumnType::Text),
          col("subgroup", ColumnType::Integer), col("id_a_year", ColumnType::Integer),
          col("p32", ColumnType::Text), col("id_semester", ColumnType::Integer),
          col("p43", ColumnType::Text)},
         getGroupElectives},
        {QStringLiteral("GetFacultyGroups"),
         {intParam("@id_login"), intParam("@id_faculty"), intParam("@id_a_year"),
          intParam("@id_semester")},
         {col("id_speciality", ColumnType::Integer), col("p25-2", ColumnType::Text),
          col("id_group", ColumnType::Integer), col("p20", ColumnType::Text)},
         getFacultyGroups},
        {QStringLiteral("GetStreamPlaces"),
         {intParam("@id_discipline"), intParam("@id_teacher"), intParam("@id_a_year"),
          intParam("@id_w_s")},
         {col("subgroup", ColumnType::Integer), col("capacity", ColumnType::Integer),
          col("taken", ColumnType::Integer)},
         getStreamPlaces},
    };
    return list;
}

const Procedure* findProcedure(const QString& name) {
    for (const Procedure& p : procedures()) {
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &p;
        }
    }
    return nullptr;
}

QString procedureStatement(const QString& name) {
    const Procedure* procedure = findProcedure(name);
    if (!procedure) {
        return {};
    }
    if (procedure->body == selectDisciplineForStudent) {
        return selectDisciplineForStudentSql();
    }
    if (procedure->body == getDisciplineForDisciplineName) {
        return getDisciplineForDisciplineNameSql();
    }
    if (procedure->body == getDebts) {
        return getDebtsSql();
    }
    return {};
}

const Procedure& teacherFunction() {
    static const Procedure function = {
        QStringLiteral("GetTFIO_with_pps"),
        {intParam("@kinds"), intParam("@id_kafedra")},
        {col("id_teacher", ColumnType::Integer), col("t_fio", ColumnType::Text)},
        nullptr};
    return function;
}

}  // namespace zev::server
