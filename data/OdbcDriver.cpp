#include "data/Connection.h"
#include "data/Errors.h"

namespace zev {

std::unique_ptr<ConnectionDriver> openSqlServerDriver(const ConnectionSettings&) {
    throw DatabaseError(QStringLiteral("The SQL Server driver is not available"));
}

}  // namespace zev
