#include "FakeDrivers.h"

#include "core/Errors.h"

namespace zev::testing {

std::vector<QString> FakeServer::sentStatements() const {
    std::vector<QString> sent;
    sent.reserve(calls.size());
    for (const Call& call : calls) {
        sent.push_back(call.sql);
    }
    return sent;
}

void FakeDriver::receive(const QString& sql, const std::vector<Value>& args) {
    server_->calls.push_back({sql, args});
    const auto failure = server_->failures.find(sql);
    if (failure != server_->failures.end()) {
        throw DatabaseError(failure->second);
    }
}

ResultSet FakeDriver::query(const QString& sql, const std::vector<Value>& args) {
    receive(sql, args);
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

qint64 FakeDriver::execute(const QString& sql, const std::vector<Value>& args) {
    receive(sql, args);
    return server_->rowsAffected;
}

ResultSet WatchedDriver::query(const QString& sql, const std::vector<Value>& args) {
    if (watcher_) {
        watcher_(sql, true);
    }
    return inner_->query(sql, args);
}

qint64 WatchedDriver::execute(const QString& sql, const std::vector<Value>& args) {
    if (watcher_) {
        watcher_(sql, false);
    }
    return inner_->execute(sql, args);
}

ResultSet table(std::vector<ResultColumn> columns, std::vector<std::vector<Value>> rows) {
    ResultSet r;
    r.columns = std::move(columns);
    for (auto& row : rows) {
        for (auto& v : row) {
            r.cells.push_back(std::move(v));
        }
    }
    return r;
}

}  // namespace zev::testing
