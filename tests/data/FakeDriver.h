#pragma once

#include "data/Connection.h"
#include "data/Errors.h"

#include <map>
#include <memory>
#include <vector>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace zev::test {

// A driver that answers statements from a table of canned results and records what it was sent.
struct FakeServer {
    struct Call {
        QString sql;
        std::vector<Value> args;
    };
    std::map<QString, ResultSet> results;  // by statement text as the driver receives it
    std::vector<Call> calls;
    qint64 rowsAffected = 1;
    Value insertedKey = Value{std::int64_t{100}};
};

class FakeDriver : public ConnectionDriver {
public:
    explicit FakeDriver(std::shared_ptr<FakeServer> server) : server_(std::move(server)) {}

    ResultSet query(const QString& sql, const std::vector<Value>& args) override {
        server_->calls.push_back({sql, args});
        if (sql.startsWith(QStringLiteral("INSERT"))) {
            ResultSet r;
            r.columns.push_back({QStringLiteral("key"), ColumnType::Integer});
            r.cells.push_back(server_->insertedKey);
            return r;
        }
        const auto it = server_->results.find(sql);
        if (it == server_->results.end()) {
            throw DatabaseError(QStringLiteral("Invalid object name in '%1'").arg(sql));
        }
        return it->second;
    }

    qint64 execute(const QString& sql, const std::vector<Value>& args) override {
        server_->calls.push_back({sql, args});
        return server_->rowsAffected;
    }

private:
    std::shared_ptr<FakeServer> server_;
};

// A result built column by column: table({{"id", Integer}, {"name", Text}}, {{1, "a"}, ...}).
inline ResultSet table(std::vector<ResultColumn> columns, std::vector<std::vector<Value>> rows) {
    ResultSet r;
    r.columns = std::move(columns);
    for (auto& row : rows) {
        for (auto& v : row) {
            r.cells.push_back(std::move(v));
        }
    }
    return r;
}

inline Value I(std::int64_t n) {
    return Value{n};
}
inline Value S(const char* s) {
    return Value{QString::fromUtf8(s)};
}

}  // namespace zev::test
