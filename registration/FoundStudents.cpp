#include "registration/FoundStudents.h"

#include "core/Errors.h"
#include "data/Connection.h"

namespace zev {

namespace {

qint64 keyAt(const ResultSet& rows, int row, int column) {
    const Value& v = rows.at(row, column);
    if (const auto* whole = std::get_if<std::int64_t>(&v)) {
        return *whole;
    }
    return valueText(v).toLongLong();
}

}  // namespace

std::vector<FoundStudent> findStudents(Connection& connection, qint32 userId, const QString& text) {
    std::vector<FoundStudent> found;
    if (text.trimmed().isEmpty()) {
        return found;
    }
    const ResultSet rows = connection.query(QStringLiteral("EXEC FindStudent :id_login, :text"),
                                            {{QStringLiteral("id_login"), std::int64_t{userId}},
                                             {QStringLiteral("text"), text.trimmed()}});
    const auto column = [&rows](const char* name) {
        const int at = rows.columnIndex(QString::fromLatin1(name));
        if (at < 0) {
            throw Error(QStringLiteral("FindStudent: the column %1 is missing from the answer")
                            .arg(QString::fromLatin1(name)));
        }
        return at;
    };
    const int student = column("id_student"), name = column("s_fio"),
              faculty = column("id_faculty"), form = column("id_f_educ"), formName = column("p108"),
              speciality = column("id_speciality"), specialityName = column("p25-2"),
              year = column("id_a_year"), yearName = column("p32"),
              semester = column("id_semester"), semesterName = column("p43"),
              group = column("id_group"), groupName = column("p20");
    found.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        FoundStudent s;
        s.student = keyAt(rows, r, student);
        s.faculty = keyAt(rows, r, faculty);
        s.formOfEducation = keyAt(rows, r, form);
        s.speciality = keyAt(rows, r, speciality);
        s.year = keyAt(rows, r, year);
        s.semester = keyAt(rows, r, semester);
        s.group = keyAt(rows, r, group);
        s.name = valueText(rows.at(r, name));
        s.formName = valueText(rows.at(r, formName));
        s.specialityName = valueText(rows.at(r, specialityName));
        s.yearName = valueText(rows.at(r, yearName));
        s.semesterName = valueText(rows.at(r, semesterName));
        s.groupName = valueText(rows.at(r, groupName));
        found.push_back(std::move(s));
    }
    return found;
}

}  // namespace zev
