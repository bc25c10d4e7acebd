#pragma once

#include "data/Connection.h"
#include "data/OdbcConnectionString.h"

#include <memory>

namespace zev::odbc {

// Opens a SQL Server connection through Qt's ODBC driver with the given driver and login
// time-out; throws DatabaseError (password scrubbed) when the login fails.
std::unique_ptr<ConnectionDriver> openOdbcDriver(
    const ConnectionSettings& settings, const DriverChoice& driver,
    int loginTimeoutSeconds = kDefaultLoginTimeoutSeconds);

}  // namespace zev::odbc
