#include "OdbcRun.h"

#include "core/SettingsFile.h"
#include "data/OdbcDriver.h"
#include "server/EmbeddedDriver.h"

namespace zev::testing {

bool OdbcRun::active() {
    return qEnvironmentVariable("ZEV_TEST_DRIVER") == u"odbc";
}

OdbcRun::OdbcRun(const QString& databaseFile) {
    if (!active()) {
        return;
    }
    tds::TdsServerOptions options;
    options.databaseFile = databaseFile;
    server_ = std::make_unique<tds::TdsServer>(options);
    server_->start();
}

OdbcRun::~OdbcRun() = default;

QString OdbcRun::dataSource(const QString& embedded) const {
    return server_ ? QStringLiteral("127.0.0.1,%1").arg(server_->port()) : embedded;
}

QString OdbcRun::connectionString(const QString& embedded) const {
    if (!server_) {
        return embedded;
    }
    ConnectionSettings settings = parseConnectionString(embedded);
    return QStringLiteral("Data Source=%1;Initial Catalog=%2;User ID=%3;Password=%4")
        .arg(dataSource(settings.dataSource), quoteConnectionValue(settings.catalog),
             quoteConnectionValue(settings.user), quoteConnectionValue(settings.password));
}

void OdbcRun::pointSettingsFile(const QString& settingsFile) const {
    if (!server_) {
        return;
    }
    TFirstConnectInfo info = ReadFirstConnectInfo(settingsFile);
    info.Server = dataSource(info.Server);
    WriteFirstConnectInfo(settingsFile, info);
}

std::unique_ptr<ConnectionDriver> OdbcRun::openDriver(const ConnectionSettings& settings,
                                                      const QString& baseFolder) const {
    if (!server_) {
        return openEmbeddedDriver(settings, baseFolder);
    }
    ConnectionSettings overTds = settings;
    overTds.dataSource = dataSource(settings.dataSource);
    return openSqlServerDriver(overTds);
}

}  // namespace zev::testing
