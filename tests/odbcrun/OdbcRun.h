#pragma once

// The second run of a suite over the SQL Server path. With the environment variable
// ZEV_TEST_DRIVER set to "odbc", a suite serves its database file through the TDS test server
// and points its connections at it, so that every statement crosses the wire through FreeTDS and
// the ODBC driver; otherwise it changes nothing and the suite runs on the embedded driver.

#include "data/Connection.h"
#include "server/tds/TdsServer.h"

#include <QString>

#include <memory>

namespace zev::testing {

class OdbcRun {
public:
    // True when this run goes over ODBC.
    static bool active();

    // Serves the file over TDS when the run is active.
    explicit OdbcRun(const QString& databaseFile);
    ~OdbcRun();
    OdbcRun(const OdbcRun&) = delete;
    OdbcRun& operator=(const OdbcRun&) = delete;

    // The Data Source a connection of this run uses instead of the embedded one.
    QString dataSource(const QString& embedded) const;
    // A connection string with its Data Source replaced as above.
    QString connectionString(const QString& embedded) const;
    // Points the client's settings file at the TDS server (the file's other fields kept).
    void pointSettingsFile(const QString& settingsFile) const;
    // The driver for the settings: SQL Server over ODBC in an active run, else embedded.
    std::unique_ptr<ConnectionDriver> openDriver(const ConnectionSettings& settings,
                                                 const QString& baseFolder) const;

    // The TDS server of an active run, or null.
    tds::TdsServer* server() const { return server_.get(); }

private:
    std::unique_ptr<tds::TdsServer> server_;
};

}  // namespace zev::testing
