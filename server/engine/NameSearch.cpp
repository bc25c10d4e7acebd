#include "server/engine/NameSearch.h"

#include "server/engine/Database.h"

#include <sqlite3.h>

namespace zev::server {

namespace {

void foldFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray folded =
        foldName(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                                   sqlite3_value_bytes(argv[0])))
            .toUtf8();
    sqlite3_result_text(ctx, folded.constData(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

}  // namespace

QString foldName(const QString& name) {
    QString folded = name.toLower();
    folded.replace(QChar(0x0451), QChar(0x0435));  // ё -> е
    return folded;
}

void registerNameFolding(sqlite3* db) {
    sqlite3_create_function_v2(db, "zev_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               foldFunction, nullptr, nullptr, nullptr);
}

ResultSet findStudent(Database& db, const std::vector<Value>& args) {
    const QString key = isNull(args[1]) ? QString() : foldName(valueText(args[1]).trimmed());
    // The names that begin with the key lie between the key and the key followed by the
    // highest character: a range the index of student_search answers.
    const QString upper = key + QString::fromUcs4(U"\U0010FFFF", 1);
    static const QString sql = QStringLiteral(
        "SELECT s.id_student, s.s_fio, sf.id_faculty, sf.id_f_educ, fe.p108, sf.id_speciality, "
        "sf.\"p25-2\", y.id_a_year, y.p32, sem.id_semester, sem.p43, g.id_group, g.p20 "
        "FROM student_search AS k "
        "JOIN s_fio AS s ON s.id_student = k.id_student "
        "JOIN s_g AS sg ON sg.id_student = k.id_student "
        "JOIN \"group\" AS g ON g.id_group = sg.id_group "
        "JOIN g_s AS gs ON gs.id_group = sg.id_group "
        "JOIN Speciality_form AS sf ON sf.id_speciality = gs.id_speciality "
        "JOIN user_faculty AS uf ON uf.faculty = sf.id_faculty AND uf.id_login = ?1 "
        "JOIN f_educ AS fe ON fe.id_f_educ = sf.id_f_educ "
        "JOIN g_r_y AS gry ON gry.id_group = sg.id_group "
        "JOIN a_year AS y ON y.id_a_year = gry.id_a_year "
        "JOIN Semester AS sem ON sem.id_rate = gry.id_rate "
        "WHERE ?2 <> '' AND k.fio_key >= ?2 AND k.fio_key < ?3 "
        "ORDER BY k.fio_key, s.s_fio, s.id_student, y.p32 DESC, sem.id_semester, sf.id_f_educ, "
        "sf.id_faculty "
        "LIMIT ?4");
    return db.query(sql, {args[0], key, upper, std::int64_t{kFoundStudentsLimit}});
}

}  // namespace zev::server
