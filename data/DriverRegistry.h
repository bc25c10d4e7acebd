#pragma once

#include "core/ConnectionSettings.h"

#include <QString>

#include <memory>

namespace zev {

class ConnectionDriver;

// How a connection recognises what its Data Source names; each kind has one driver.
enum class DataSourceKind {
    EmbeddedFile,  // a database file of the embedded server: a name ending in ".sqlite"
    SqlServer,     // a SQL Server: host, host\instance or host,port
};

// The kind of a Data Source (see DataSourceKind).
DataSourceKind dataSourceKind(const QString& dataSource);

// Opens a driver for the settings; baseFolder resolves a relative database file name.
using DriverOpener = std::unique_ptr<ConnectionDriver> (*)(const ConnectionSettings& settings,
                                                           const QString& baseFolder);

// Drivers are libraries of their own above the connection. Each registers its opener for the
// kind of Data Source it serves while the program starts, so the connection knows no driver
// and a program holds the drivers it links. A later registration of a kind replaces an earlier
// one. Answers true, so that a driver can register from a static initialiser.
bool registerConnectionDriver(DataSourceKind kind, DriverOpener open);

// The opener registered for the kind, or nullptr when the program links no such driver.
DriverOpener registeredConnectionDriver(DataSourceKind kind);

}  // namespace zev
