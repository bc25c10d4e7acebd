#pragma once

#include "data/Connection.h"

#include <QString>

namespace zev::odbc {

// The name under which the client introduces itself to SQL Server.
inline constexpr auto kApplicationName = "ZEV 32";
// Seconds the login may take before the driver gives up (the OLE DB provider's default too).
inline constexpr int kDefaultLoginTimeoutSeconds = 15;
// The default TCP port of a SQL Server default instance.
inline constexpr int kDefaultPort = 1433;

// Which ODBC driver carries the connection: FreeTDS on Linux, Microsoft's drivers on Windows.
enum class DriverFlavour {
    FreeTds,         // unixODBC + FreeTDS (libtdsodbc.so)
    MicrosoftOdbc,   // "ODBC Driver 17/18 for SQL Server"
    LegacySqlServer  // the "SQL Server" driver that comes with Windows
};

struct DriverChoice {
    DriverFlavour flavour = DriverFlavour::FreeTds;
    QString driver;  // a driver library path or a driver name registered with the driver manager
};

// "Data Source" split into its parts: `host`, `host\instance` or `host,port`.
struct ServerAddress {
    QString host;
    QString instance;  // empty for the default instance
    int port = 0;      // 0 when not given
};
ServerAddress parseDataSource(const QString& dataSource);

// The DSN-less ODBC connection string for the chosen driver: server, port or instance, database,
// login, application name, TDS 7.4, UTF-8 client character set, no encryption and the packet
// size. It holds the password, so it is never logged as such.
QString composeOdbcConnectionString(const ConnectionSettings& settings, const DriverChoice& driver);

// A value as an ODBC connection string may carry it: plain when harmless, otherwise in braces with
// every closing brace doubled.
QString quoteOdbcValue(const QString& value);

// The driver that this machine offers: the FreeTDS library on Linux, the newest Microsoft driver
// registered on Windows.
DriverChoice defaultDriverChoice();

}  // namespace zev::odbc
