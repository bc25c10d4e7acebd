#pragma once

// Drivers a test puts under a Connection: one that answers from canned results, and one that
// passes every statement on to a real driver and lets the test watch (and refuse) them.

#include "data/Connection.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace zev::testing {

// What the canned-answer driver knows and what it was sent; shared with the test, which keeps
// reading it after the connection has taken the driver.
struct FakeServer {
    struct Call {
        QString sql;
        std::vector<Value> args;
    };
    std::map<QString, ResultSet> results;  // by statement text as the driver receives it
    std::map<QString, QString> failures;   // statement text → the server's error message
    std::vector<Call> calls;
    qint64 rowsAffected = 1;
    Value insertedKey = Value{std::int64_t{100}};

    // The statement texts received, in order.
    std::vector<QString> sentStatements() const;
};

// Answers a query from FakeServer::results (an INSERT with FakeServer::insertedKey); a statement
// in FakeServer::failures, and a query it has no result for, fail as the server fails them.
class FakeDriver : public ConnectionDriver {
public:
    explicit FakeDriver(std::shared_ptr<FakeServer> server) : server_(std::move(server)) {}

    ResultSet query(const QString& sql, const std::vector<Value>& args) override;
    qint64 execute(const QString& sql, const std::vector<Value>& args) override;

private:
    void receive(const QString& sql, const std::vector<Value>& args);
    std::shared_ptr<FakeServer> server_;
};

// Passes every statement on to another driver, showing it first to the watcher, which may throw
// to refuse it. Rows come back through the inner driver's snapshot (query()), whatever its way of
// reading them cell by cell.
class WatchedDriver : public ConnectionDriver {
public:
    using Watcher = std::function<void(const QString& sql, bool returnsRows)>;
    WatchedDriver(std::unique_ptr<ConnectionDriver> inner, Watcher watcher = {})
        : inner_(std::move(inner)), watcher_(std::move(watcher)) {}

    ResultSet query(const QString& sql, const std::vector<Value>& args) override;
    qint64 execute(const QString& sql, const std::vector<Value>& args) override;

private:
    std::unique_ptr<ConnectionDriver> inner_;
    Watcher watcher_;
};

// A result built column by column: table({{"id", Integer}, {"name", Text}}, {{1, "a"}, ...}).
ResultSet table(std::vector<ResultColumn> columns, std::vector<std::vector<Value>> rows);

inline Value I(std::int64_t n) {
    return Value{n};
}
inline Value S(const char* s) {
    return Value{QString::fromUtf8(s)};
}

}  // namespace zev::testing
