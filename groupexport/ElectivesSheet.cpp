#include "groupexport/ElectivesSheet.h"

#include "core/Errors.h"
#include "data/Connection.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <unordered_map>

namespace zev {

namespace {

// The position of a named column of the answer; an answer without it is the wrong procedure.
int columnOf(const ResultSet& rows, const char* procedure, const char* name) {
    const int at = rows.columnIndex(QString::fromLatin1(name));
    if (at < 0) {
        throw Error(QStringLiteral("%1: the column %2 is missing from the answer")
                        .arg(QString::fromLatin1(procedure), QString::fromLatin1(name)));
    }
    return at;
}

std::optional<qint64> optionalKey(const Value& v) {
    if (isNull(v)) {
        return std::nullopt;
    }
    if (const auto* whole = std::get_if<std::int64_t>(&v)) {
        return *whole;
    }
    bool ok = false;
    const qint64 number = valueText(v).trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

qint64 keyAt(const ResultSet& rows, int row, int column) {
    return optionalKey(rows.at(row, column)).value_or(0);
}

}  // namespace

std::vector<ElectivePlace> readGroupPlaces(Connection& connection, const GroupKeys& keys) {
    const ResultSet rows = connection.query(
        QStringLiteral("EXEC GetGroupElectives :id_speciality, :id_a_year, :id_semester, "
                       ":id_group"),
        {{QStringLiteral("id_speciality"), std::int64_t{keys.speciality}},
         {QStringLiteral("id_a_year"), std::int64_t{keys.year}},
         {QStringLiteral("id_semester"), std::int64_t{keys.semester}},
         {QStringLiteral("id_group"), std::int64_t{keys.group}}});
    const char* procedure = "GetGroupElectives";
    const int student = columnOf(rows, procedure, "s_fio"),
              groupNumber = columnOf(rows, procedure, "descGroupNum"),
              code = columnOf(rows, procedure, "p30"),
              disciplineKey = columnOf(rows, procedure, "id_discipline"),
              discipline = columnOf(rows, procedure, "p34"),
              teacher = columnOf(rows, procedure, "t_fio"),
              stream = columnOf(rows, procedure, "subgroup"),
              year = columnOf(rows, procedure, "p32"), semester = columnOf(rows, procedure, "p43");
    std::vector<ElectivePlace> places;
    places.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        ElectivePlace place;
        place.student = valueText(rows.at(r, student));
        place.alternatives = valueText(rows.at(r, code)).trimmed();
        if (place.alternatives.isEmpty()) {
            place.alternatives = valueText(rows.at(r, groupNumber));
        }
        place.chosen = !isNull(rows.at(r, disciplineKey));
        place.discipline = valueText(rows.at(r, discipline));
        place.teacher = valueText(rows.at(r, teacher));
        place.stream = optionalKey(rows.at(r, stream));
        place.year = valueText(rows.at(r, year));
        place.semester = valueText(rows.at(r, semester));
        places.push_back(std::move(place));
    }
    // The students in the order of the cascade's student list: alphabetical as a Russian reader
    // expects, Ё with Е, whatever letter case; the server orders by its own collation, which may
    // put Ё elsewhere. Sorting is stable, so each student's places keep the server's order.
    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::unordered_map<QString, QCollatorSortKey> sortKeys;
    for (const ElectivePlace& place : places) {
        if (sortKeys.find(place.student) == sortKeys.end()) {
            sortKeys.emplace(place.student, collator.sortKey(place.student));
        }
    }
    std::stable_sort(places.begin(), places.end(),
                     [&sortKeys](const ElectivePlace& a, const ElectivePlace& b) {
                         return sortKeys.at(a.student).compare(sortKeys.at(b.student)) < 0;
                     });
    return places;
}

std::vector<FacultyGroup> readFacultyGroups(Connection& connection, qint32 userId, qint64 faculty,
                                            qint64 year, qint64 semester) {
    const ResultSet rows = connection.query(
        QStringLiteral("EXEC GetFacultyGroups :id_login, :id_faculty, :id_a_year, :id_semester"),
        {{QStringLiteral("id_login"), std::int64_t{userId}},
         {QStringLiteral("id_faculty"), std::int64_t{faculty}},
         {QStringLiteral("id_a_year"), std::int64_t{year}},
         {QStringLiteral("id_semester"), std::int64_t{semester}}});
    const char* procedure = "GetFacultyGroups";
    const int speciality = columnOf(rows, procedure, "id_speciality"),
              specialityName = columnOf(rows, procedure, "p25-2"),
              group = columnOf(rows, procedure, "id_group"),
              groupName = columnOf(rows, procedure, "p20");
    std::vector<FacultyGroup> groups;
    groups.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        groups.push_back({keyAt(rows, r, speciality), valueText(rows.at(r, specialityName)),
                          keyAt(rows, r, group), valueText(rows.at(r, groupName))});
    }
    return groups;
}

std::optional<std::vector<ElectivePlace>> readFacultyPlaces(Connection& connection,
                                                            const std::vector<FacultyGroup>& groups,
                                                            qint64 year, qint64 semester,
                                                            const ExportProgress& progress) {
    std::vector<ElectivePlace> all;
    const int total = static_cast<int>(groups.size());
    for (int done = 0; done < total; ++done) {
        const FacultyGroup& group = groups[static_cast<std::size_t>(done)];
        if (progress && !progress(done, total, group.groupName)) {
            return std::nullopt;
        }
        std::vector<ElectivePlace> places =
            readGroupPlaces(connection, {group.speciality, year, semester, group.group});
        for (ElectivePlace& place : places) {
            place.speciality = group.specialityName;
            place.group = group.groupName;
            all.push_back(std::move(place));
        }
    }
    if (progress && !progress(total, total, QString())) {
        return std::nullopt;
    }
    return all;
}

QString chosenMark(bool chosen) {
    return chosen ? QStringLiteral("выбрано") : QStringLiteral("пусто");
}

QString sheetTitle() {
    return QStringLiteral("Дисциплины по выбору");
}

QStringList sheetColumns(const ElectivesSheet& sheet) {
    QStringList columns;
    if (sheet.wholeFaculty) {
        columns << QStringLiteral("Специальность") << QStringLiteral("Группа");
    }
    columns << QStringLiteral("Студент") << QStringLiteral("Дисциплина")
            << QStringLiteral("Группа дисциплин по выбору") << QStringLiteral("Преподаватель")
            << QStringLiteral("Поток") << QStringLiteral("На учебный год")
            << QStringLiteral("На семестр") << QStringLiteral("Выбор");
    return columns;
}

int streamColumn(const ElectivesSheet& sheet) {
    return sheet.wholeFaculty ? 6 : 4;
}

QStringList sheetCells(const ElectivesSheet& sheet, const ElectivePlace& place) {
    QStringList cells;
    if (sheet.wholeFaculty) {
        cells << place.speciality << place.group;
    }
    cells << place.student << place.discipline << place.alternatives << place.teacher
          << (place.stream ? QString::number(*place.stream) : QString()) << place.year
          << place.semester << chosenMark(place.chosen);
    return cells;
}

std::vector<std::pair<QString, QString>> headingLines(const ElectivesSheet& sheet) {
    std::vector<std::pair<QString, QString>> lines;
    lines.emplace_back(QStringLiteral("Факультет"), sheet.heading.faculty);
    if (!sheet.wholeFaculty) {
        lines.emplace_back(QStringLiteral("Специальность"), sheet.heading.speciality);
        lines.emplace_back(QStringLiteral("Группа"), sheet.heading.group);
    }
    lines.emplace_back(QStringLiteral("Учебный год"), sheet.heading.year);
    lines.emplace_back(QStringLiteral("Семестр"), sheet.heading.semester);
    return lines;
}

}  // namespace zev
