#include "data/WriteBack.h"

#include "core/Errors.h"
#include "data/Connection.h"

#include <QStringList>

#include <algorithm>

namespace zev {

namespace {

// A column name as the statement needs it: bracketed when it is not a plain identifier.
QString columnName(const QString& name) {
    for (QChar c : name) {
        if (!c.isLetterOrNumber() && c != u'_') {
            return u'[' + name + u']';
        }
    }
    return name;
}

bool changed(const ColumnChange& column) {
    return !valuesEqual(column.original, column.value);
}

}  // namespace

QString writeConflictText() {
    return QStringLiteral(
        "Строку не удалось сохранить: с тех пор как она была прочитана, её изменил или удалил "
        "другой пользователь. Откройте список заново, чтобы увидеть текущие данные, и внесите "
        "изменение ещё раз.");
}

QString updateStatement(const QString& table, const QString& keyColumn,
                        const std::vector<ColumnChange>& columns) {
    QStringList sets;
    QStringList conditions{columnName(keyColumn) + QStringLiteral(" = :k")};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const QString name = columnName(columns[i].column);
        if (changed(columns[i])) {
            sets << QStringLiteral("%1 = :p%2").arg(name).arg(i);
        }
        conditions << (isNull(columns[i].original) ? name + QStringLiteral(" IS NULL")
                                                   : QStringLiteral("%1 = :o%2").arg(name).arg(i));
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3")
        .arg(table, sets.join(QStringLiteral(", ")), conditions.join(QStringLiteral(" AND ")));
}

QString insertStatement(const QString& table, const QString& keyColumn,
                        const std::vector<ColumnChange>& values) {
    if (values.empty()) {
        return QStringLiteral("INSERT INTO %1 OUTPUT INSERTED.%2 DEFAULT VALUES")
            .arg(table, columnName(keyColumn));
    }
    QStringList names;
    QStringList markers;
    for (std::size_t i = 0; i < values.size(); ++i) {
        names << columnName(values[i].column);
        markers << QStringLiteral(":v%1").arg(i);
    }
    return QStringLiteral("INSERT INTO %1 (%2) OUTPUT INSERTED.%3 VALUES (%4)")
        .arg(table, names.join(QStringLiteral(", ")), columnName(keyColumn),
             markers.join(QStringLiteral(", ")));
}

void writeUpdate(Connection& connection, const QString& table, const QString& keyColumn,
                 const Value& key, const std::vector<ColumnChange>& columns) {
    if (std::none_of(columns.begin(), columns.end(), changed)) {
        return;
    }
    if (isNull(key)) {
        throw Error(QStringLiteral("Строку нельзя сохранить: её ключ \"%1\" пуст.").arg(keyColumn));
    }
    Params params{{QStringLiteral("k"), key}};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (changed(columns[i])) {
            params.push_back({QStringLiteral("p%1").arg(i), columns[i].value});
        }
        if (!isNull(columns[i].original)) {
            params.push_back({QStringLiteral("o%1").arg(i), columns[i].original});
        }
    }
    if (connection.execute(updateStatement(table, keyColumn, columns), params) == 0) {
        throw Error(writeConflictText());
    }
}

Value writeInsert(Connection& connection, const QString& table, const QString& keyColumn,
                  const std::vector<ColumnChange>& values) {
    Params params;
    for (std::size_t i = 0; i < values.size(); ++i) {
        params.push_back({QStringLiteral("v%1").arg(i), values[i].value});
    }
    const ResultSet result = connection.query(insertStatement(table, keyColumn, values), params);
    if (result.rowCount() == 0 || result.columnCount() == 0) {
        throw Error(QStringLiteral("Сервер не вернул ключ новой строки."));
    }
    return result.at(0, 0);
}

void writeDelete(Connection& connection, const QString& table, const QString& keyColumn,
                 const Value& key) {
    if (isNull(key)) {
        throw Error(QStringLiteral("Строку нельзя удалить: её ключ \"%1\" пуст.").arg(keyColumn));
    }
    connection.execute(
        QStringLiteral("DELETE FROM %1 WHERE %2 = :k").arg(table, columnName(keyColumn)),
        Params{{QStringLiteral("k"), key}});
}

}  // namespace zev
