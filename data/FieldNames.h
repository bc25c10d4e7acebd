#pragma once

// Column names of the ZEV database that more than one file of the client names: the data
// module's field definitions, its record rules and the registration window read and write the
// same fields, so each name is spelled once here. A name that is no C++ identifier ("p25-2")
// takes '_' for its '-'.

#include <QString>

namespace zev::field {

inline const QString descGroupNum = QStringLiteral("descGroupNum");
inline const QString id_a_year = QStringLiteral("id_a_year");
inline const QString id_discipline = QStringLiteral("id_discipline");
inline const QString id_disciplineForStudent = QStringLiteral("id_disciplineForStudent");
inline const QString id_examination = QStringLiteral("id_examination");
inline const QString id_f_educ = QStringLiteral("id_f_educ");
inline const QString id_faculty = QStringLiteral("id_faculty");
inline const QString id_group = QStringLiteral("id_group");
inline const QString id_kafedra = QStringLiteral("id_kafedra");
inline const QString id_semester = QStringLiteral("id_semester");
inline const QString id_speciality = QStringLiteral("id_speciality");
inline const QString id_student = QStringLiteral("id_student");
inline const QString id_teacher = QStringLiteral("id_teacher");
inline const QString id_w_s = QStringLiteral("id_w_s");
inline const QString p25_2 = QStringLiteral("p25-2");
inline const QString p30 = QStringLiteral("p30");
inline const QString p32 = QStringLiteral("p32");
inline const QString p34 = QStringLiteral("p34");
inline const QString p43 = QStringLiteral("p43");
inline const QString s_fio = QStringLiteral("s_fio");
inline const QString subgroup = QStringLiteral("subgroup");
inline const QString t_fio = QStringLiteral("t_fio");
inline const QString ZEV_user = QStringLiteral("ZEV_user");

}  // namespace zev::field
