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

// Opens a connection with ready-made ODBC parameters. serverName names the server in the error
// text; secret is scrubbed from every error text. Lets tests drive the statement path through
// another ODBC driver when no SQL Server is at hand.
std::unique_ptr<ConnectionDriver> openOdbcDriverWith(const OdbcOpenParameters& parameters,
                                                     const QString& serverName,
                                                     const QString& secret);

}  // namespace zev::odbc
