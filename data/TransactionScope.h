#pragma once

#include "data/Connection.h"

namespace zev {

// One explicit transaction of a connection for as long as the scope lives:
//
//     TransactionScope scope(connection);
//     connection.execute(...);  // as many statements as the unit needs
//     scope.commit();
//
// A scope left without commit() (an exception, an early return) rolls the transaction back in
// its destructor, which never throws: a rollback that fails there (a lost connection) is
// dropped, and the server rolls back when the connection ends.
class TransactionScope {
public:
    explicit TransactionScope(Connection& connection) : connection_(connection) {
        connection_.beginTransaction();
    }
    ~TransactionScope() {
        if (open_) {
            try {
                connection_.rollbackTransaction();
            } catch (...) {  // NOLINT(bugprone-empty-catch): see the class comment
            }
        }
    }
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;
    TransactionScope(TransactionScope&&) = delete;
    TransactionScope& operator=(TransactionScope&&) = delete;

    // Commits. When the commit fails the destructor still sends the rollback, which does
    // nothing when the server has already ended the transaction.
    void commit() {
        connection_.commitTransaction();
        open_ = false;
    }
    // Rolls back now rather than at the end of the scope; throws what the server says.
    void rollback() {
        open_ = false;
        connection_.rollbackTransaction();
    }

private:
    Connection& connection_;
    bool open_ = true;
};

}  // namespace zev
