#pragma once

#include "data/Connection.h"
#include "data/OdbcConnectionString.h"

#include <memory>

namespace zev::odbc {

// Seconds a statement may run before the driver cancels it and reports a time-out; a blocked
// server or a lost network must not hang the window for good.
inline constexpr int kDefaultQueryTimeoutSeconds = 120;

// Opens a SQL Server connection through the ODBC driver manager (unixODBC on Linux, the
// system's ODBC on Windows) with the given driver and login time-out; throws DatabaseError with
// the driver's diagnostics when the login fails.
std::unique_ptr<ConnectionDriver> openOdbcDriver(
    const ConnectionSettings& settings, const DriverChoice& driver,
    int loginTimeoutSeconds = kDefaultLoginTimeoutSeconds);

// Opens a connection with a ready-made ODBC connection string. serverName names the server in
// the error text. Lets tests drive the statement path through another ODBC driver.
std::unique_ptr<ConnectionDriver> openOdbcDriverWith(
    const QString& odbcConnectionString, const QString& serverName,
    int loginTimeoutSeconds = kDefaultLoginTimeoutSeconds, int packetSize = 4096);

}  // namespace zev::odbc

namespace zev {

// A SQL Server connection through the system's SQL Server ODBC driver (FreeTDS on Linux). A
// program that links this library opens every Data Source that names a host with it (it
// registers itself with the connection).
std::unique_ptr<ConnectionDriver> openSqlServerDriver(const ConnectionSettings& settings);

}  // namespace zev
