#include "registration/HistoryRows.h"

#include "core/Errors.h"
#include "data/Connection.h"

#include <QDateTime>
#include <QHash>
#include <QTimeZone>

namespace zev {

namespace {

QString text(const ResultSet& rows, int row, int column) {
    return column < 0 ? QString() : valueText(rows.at(row, column));
}

}  // namespace

HistoryRows::HistoryRows(Connection* connection, QObject* parent) : Dataset(connection, parent) {}

void HistoryRows::setRow(const QString& table, std::int64_t key) {
    close();
    table_ = table;
    key_ = key;
    student_ = false;
}

void HistoryRows::setStudent(std::int64_t student) {
    close();
    table_.clear();
    key_ = student;
    student_ = true;
}

QString HistoryRows::tableWords(const QString& table) {
    if (table.compare(u"DisciplineForStudent", Qt::CaseInsensitive) == 0) {
        return QStringLiteral("Предмет по выбору");
    }
    if (table.compare(u"DisciplineForStudent2", Qt::CaseInsensitive) == 0) {
        return QStringLiteral("Выбранная дисциплина");
    }
    return table;
}

QString HistoryRows::columnWords(const QString& column) {
    static const QHash<QString, QString> words = {
        {QStringLiteral("id_student"), QStringLiteral("Студент")},
        {QStringLiteral("id_speciality"), QStringLiteral("Специальность")},
        {QStringLiteral("plan_a_year"), QStringLiteral("Учебный год по плану")},
        {QStringLiteral("plan_semester"), QStringLiteral("Семестр по плану")},
        {QStringLiteral("id_group"), QStringLiteral("Группа")},
        {QStringLiteral("descgroupnum"), QStringLiteral("Группа выбора")},
        {QStringLiteral("fixed_discipline"), QStringLiteral("Зафиксированная дисциплина")},
        {QStringLiteral("p30"), QStringLiteral("Шифр по плану")},
        {QStringLiteral("id_discipline"), QStringLiteral("Дисциплина")},
        {QStringLiteral("id_teacher"), QStringLiteral("Преподаватель")},
        {QStringLiteral("zev_user"), QStringLiteral("Записал")},
        {QStringLiteral("id_examination"), QStringLiteral("Вид контроля")},
        {QStringLiteral("subgroup"), QStringLiteral("Поток")},
        {QStringLiteral("id_semester"), QStringLiteral("Семестр")},
        {QStringLiteral("id_a_year"), QStringLiteral("Учебный год")},
        {QStringLiteral("id_kafedra"), QStringLiteral("Кафедра")},
    };
    return words.value(column.toLower(), column);
}

QString HistoryRows::actionWords(const QString& action) {
    if (action == u"I") {
        return QStringLiteral("Добавление");
    }
    if (action == u"U") {
        return QStringLiteral("Изменение");
    }
    if (action == u"D") {
        return QStringLiteral("Удаление");
    }
    return action;
}

QString HistoryRows::localTime(const QString& utc) {
    QDateTime at = QDateTime::fromString(utc.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!at.isValid()) {
        return utc;
    }
    at.setTimeZone(QTimeZone::utc());
    return at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

ResultSet HistoryRows::fetch() {
    Connection* connection = this->connection();
    if (!connection) {
        throw Error(QStringLiteral("The history has no connection."));
    }
    const ResultSet rows =
        student_
            ? connection->query(QStringLiteral("EXEC GetStudentHistory @id_student = :id_student"),
                                {{QStringLiteral("id_student"), Value{key_}}})
            : connection->query(QStringLiteral("EXEC GetRowHistory @table_name = :table_name, "
                                               "@row_key = :row_key"),
                                {{QStringLiteral("table_name"), Value{table_}},
                                 {QStringLiteral("row_key"), Value{key_}}});
    const auto column = [&](const char* name) {
        return rows.columnIndex(QString::fromLatin1(name));
    };
    const int at = column("changed_at");
    const int login = column("zev_login");
    const int account = column("db_login");
    const int table = column("table_name");
    const int key = column("row_key");
    const int action = column("action");
    const int name = column("column_name");
    const int oldText = column("old_text");
    const int newText = column("new_text");

    ResultSet shown;
    for (const char* title : {"Когда", "Кто", "Действие", "Запись", "Что", "Было", "Стало"}) {
        shown.columns.push_back({QString::fromUtf8(title), ColumnType::Text});
    }
    shown.cells.reserve(static_cast<size_t>(rows.rowCount()) * shown.columns.size());
    for (int r = 0; r < rows.rowCount(); ++r) {
        // A connection that declared nobody (another program on the staff account, a DBA) is
        // shown by its account.
        QString who = text(rows, r, login);
        if (who.isEmpty()) {
            who = QStringLiteral("учётная запись ") + text(rows, r, account);
        }
        shown.cells.emplace_back(localTime(text(rows, r, at)));
        shown.cells.emplace_back(who);
        shown.cells.emplace_back(actionWords(text(rows, r, action)));
        shown.cells.emplace_back(tableWords(text(rows, r, table)) + QStringLiteral(" № ") +
                                 text(rows, r, key));
        shown.cells.emplace_back(columnWords(text(rows, r, name)));
        shown.cells.emplace_back(text(rows, r, oldText));
        shown.cells.emplace_back(text(rows, r, newText));
    }
    return shown;
}

}  // namespace zev
