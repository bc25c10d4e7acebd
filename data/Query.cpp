// Statement and table datasets, and statement parameters.
#include "data/Dataset.h"

#include "data/Connection.h"

#include <limits>

namespace zev {

void Parameter::setValue(const Value& value) {
    if (!typed_ || isNull(value)) {
        value_ = value;
        return;
    }
    // A typed parameter holds a nullable signed 32-bit integer.
    std::int64_t n = 0;
    bool ok = true;
    switch (value.index()) {
        case 1:
            n = std::get<std::int64_t>(value);
            break;
        case 2: {
            const double d = std::get<double>(value);
            ok = d == static_cast<double>(static_cast<std::int64_t>(d));
            n = static_cast<std::int64_t>(d);
            break;
        }
        default: {
            const QString text = std::get<QString>(value).trimmed();
            if (text.isEmpty()) {
                value_ = Value{};  // the text form of a Null key
                return;
            }
            n = text.toLongLong(&ok);
            break;
        }
    }
    if (!ok || n < std::numeric_limits<std::int32_t>::min() ||
        n > std::numeric_limits<std::int32_t>::max()) {
        throw Error(QStringLiteral("'%1' is not a valid integer value for parameter '%2'")
                        .arg(valueText(value), name_));
    }
    value_ = Value{n};
}

Query::Query(Connection* connection, QObject* parent) : Dataset(connection, parent) {}

Query::~Query() = default;

void Query::setSQL(const QString& sql) {
    close();
    sql_ = sql;
    params_.clear();
    for (const QString& name : bindMarkers(sql).names) {
        bool known = false;
        for (const Parameter& p : params_) {
            known = known || p.name().compare(name, Qt::CaseInsensitive) == 0;
        }
        if (known) {
            continue;
        }
        bool typed = false;
        for (const QString& t : typedNames_) {
            typed = typed || t.compare(name, Qt::CaseInsensitive) == 0;
        }
        params_.emplace_back(name, typed);
    }
}

void Query::declareTypedParam(const QString& name) {
    typedNames_.push_back(name);
    for (Parameter& p : params_) {
        if (p.name().compare(name, Qt::CaseInsensitive) == 0) {
            const Value old = p.value();
            p = Parameter(p.name(), true);
            p.setValue(old);
        }
    }
}

Parameter& Query::paramByName(const QString& name) {
    for (Parameter& p : params_) {
        if (p.name().compare(name, Qt::CaseInsensitive) == 0) {
            return p;
        }
    }
    throw Error(QStringLiteral("%1: Parameter '%2' not found").arg(objectName(), name));
}

namespace {

Params namedValues(const std::vector<Parameter>& params) {
    Params values;
    values.reserve(params.size());
    for (const Parameter& p : params) {
        values.push_back({p.name(), p.value()});
    }
    return values;
}

Connection& requireConnection(const Dataset& dataset) {
    if (!dataset.connection()) {
        throw Error(
            QStringLiteral("%1: Missing Connection or ConnectionString").arg(dataset.objectName()));
    }
    return *dataset.connection();
}

void requireStatement(const Query& query) {
    if (query.sql().trimmed().isEmpty()) {
        throw Error(
            QStringLiteral("%1: CommandText does not return a result set").arg(query.objectName()));
    }
}

}  // namespace

ResultSet Query::fetch() {
    requireStatement(*this);
    return requireConnection(*this).query(sql_, namedValues(params_));
}

void Query::fetchInto(RowSink& sink) {
    requireStatement(*this);
    requireConnection(*this).query(sql_, namedValues(params_), sink);
}

qint64 Query::execSQL() {
    return requireConnection(*this).execute(sql_, namedValues(params_));
}

Table::Table(Connection* connection, QObject* parent) : Dataset(connection, parent) {}

ResultSet Table::fetch() {
    return requireConnection(*this).query(QStringLiteral("SELECT * FROM ") + table_);
}

void Table::fetchInto(RowSink& sink) {
    requireConnection(*this).query(QStringLiteral("SELECT * FROM ") + table_, {}, sink);
}

}  // namespace zev
