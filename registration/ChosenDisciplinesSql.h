#pragma once

#include <QString>

#include <optional>

// The statements behind the chosen-disciplines grid. Every value arrives as its text form
// (decimal digits of a key, the empty text for null) and is spliced in as it is.
namespace zev::ChosenDisciplinesSql {

// The half-year code IdWS for a semester key: "2" for odd keys 1 to 15, "1" for even keys 2 to
// 14; nothing for any other key (the caller then keeps or derives the code otherwise).
std::optional<QString> idWsForSemester(qint64 semesterKey);

// Lists re-read at a student choice, for academic year Y and half-year code S.
QString departments(const QString& year, const QString& idWs);
QString disciplines(const QString& year, const QString& idWs);
QString teachers(const QString& year, const QString& idWs);
QString streams(const QString& year, const QString& idWs);
// The grid's own rows for student P, year Y and semester M.
QString rows(const QString& student, const QString& year, const QString& semester);

// The department column narrows the discipline and teacher lists to department V.
QString disciplinesOfDepartment(const QString& year, const QString& idWs,
                                const QString& department);
QString teachersOfDepartment(const QString& year, const QString& idWs, const QString& department);
// The teacher column narrows the stream list to teacher T.
QString streamsOfTeacher(const QString& year, const QString& idWs, const QString& teacher);

}  // namespace zev::ChosenDisciplinesSql
