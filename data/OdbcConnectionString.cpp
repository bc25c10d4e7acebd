#include "data/OdbcConnectionString.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace zev::odbc {

ServerAddress parseDataSource(const QString& dataSource) {
    ServerAddress address;
    QString rest = dataSource.trimmed();
    // "tcp:host,port" is how SQL Server's own tools write a TCP address.
    if (rest.startsWith(u"tcp:", Qt::CaseInsensitive)) {
        rest = rest.mid(4);
    }
    const qsizetype comma = rest.indexOf(u',');
    if (comma >= 0) {
        bool ok = false;
        const int port = rest.mid(comma + 1).trimmed().toInt(&ok);
        if (ok && port > 0 && port < 65536) {
            address.port = port;
        }
        rest = rest.left(comma).trimmed();
    }
    const qsizetype slash = rest.indexOf(u'\\');
    if (slash >= 0) {
        address.instance = rest.mid(slash + 1).trimmed();
        rest = rest.left(slash).trimmed();
    }
    // "." and "(local)" name this machine, as they do in SQL Server's own tools.
    if (rest == u"." || rest.compare(u"(local)", Qt::CaseInsensitive) == 0) {
        rest = QStringLiteral("127.0.0.1");
    }
    address.host = rest;
    return address;
}

QString quoteOdbcValue(const QString& value) {
    const bool plain = !value.isEmpty() && !value.contains(u';') && !value.contains(u'{') &&
                       !value.contains(u'}') && !value.contains(u'=') && value.trimmed() == value;
    if (plain) {
        return value;
    }
    QString quoted = value;
    quoted.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return u'{' + quoted + u'}';
}

namespace {

class KeyList {
public:
    void add(const QString& key, const QString& value) {
        parts_ << key + u'=' + quoteOdbcValue(value);
    }
    QString joined() const { return parts_.join(u';'); }

private:
    QStringList parts_;
};

// The "Server" value of Microsoft's drivers: tcp:host,port / host\instance / host.
QString microsoftServer(const ServerAddress& address) {
    if (!address.instance.isEmpty()) {
        return address.host + u'\\' + address.instance;
    }
    if (address.port > 0) {
        return QStringLiteral("tcp:%1,%2").arg(address.host).arg(address.port);
    }
    return address.host;
}

}  // namespace

QString composeOdbcConnectionString(const ConnectionSettings& settings,
                                    const DriverChoice& driver) {
    const ServerAddress address = parseDataSource(settings.dataSource);
    const QString& app = settings.applicationName;
    KeyList keys;
    // The driver goes in braces always: a path or a name with blanks must stay one value.
    QString driverValue = driver.driver;
    driverValue.replace(QStringLiteral("}"), QStringLiteral("}}"));
    const QString driverKey = QStringLiteral("DRIVER={") + driverValue + u'}';

    switch (driver.flavour) {
        case DriverFlavour::FreeTds:
            if (!address.instance.isEmpty()) {
                // FreeTDS asks the SQL Server Browser of the host for the instance's port.
                keys.add(QStringLiteral("SERVER"), address.host + u'\\' + address.instance);
            } else {
                keys.add(QStringLiteral("SERVER"), address.host);
                keys.add(QStringLiteral("PORT"),
                         QString::number(address.port > 0 ? address.port : kDefaultPort));
            }
            keys.add(QStringLiteral("DATABASE"), settings.catalog);
            keys.add(QStringLiteral("UID"), settings.user);
            keys.add(QStringLiteral("PWD"), settings.password);
            keys.add(QStringLiteral("APP"), app);
            keys.add(QStringLiteral("TDS_Version"), QStringLiteral("7.4"));
            keys.add(QStringLiteral("ClientCharset"), QStringLiteral("UTF-8"));
            keys.add(QStringLiteral("Encryption"), QStringLiteral("off"));
            keys.add(QStringLiteral("PacketSize"), QString::number(settings.packetSize));
            break;
        case DriverFlavour::MicrosoftOdbc:
            keys.add(QStringLiteral("Server"), microsoftServer(address));
            keys.add(QStringLiteral("Database"), settings.catalog);
            keys.add(QStringLiteral("UID"), settings.user);
            keys.add(QStringLiteral("PWD"), settings.password);
            keys.add(QStringLiteral("APP"), app);
            // Driver 18 encrypts by default; the client's server speaks without encryption.
            keys.add(QStringLiteral("Encrypt"), QStringLiteral("no"));
            break;
        case DriverFlavour::LegacySqlServer:
            keys.add(QStringLiteral("Server"), microsoftServer(address));
            keys.add(QStringLiteral("Database"), settings.catalog);
            keys.add(QStringLiteral("UID"), settings.user);
            keys.add(QStringLiteral("PWD"), settings.password);
            keys.add(QStringLiteral("APP"), app);
            break;
    }

    return driverKey + u';' + keys.joined();
}

DriverChoice defaultDriverChoice() {
#ifdef Q_OS_WIN
    const QSettings installed(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"),
        QSettings::NativeFormat);
    for (const char* name : {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server"}) {
        if (installed.contains(QString::fromLatin1(name))) {
            return {DriverFlavour::MicrosoftOdbc, QString::fromLatin1(name)};
        }
    }
    return {DriverFlavour::LegacySqlServer, QStringLiteral("SQL Server")};
#else
    // The library by path needs no odbcinst.ini entry; the registered name is the fallback.
    for (const char* path : {"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so",
                             "/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so",
                             "/usr/lib/i386-linux-gnu/odbc/libtdsodbc.so",
                             "/usr/lib64/libtdsodbc.so.0", "/usr/local/lib/libtdsodbc.so"}) {
        if (QFileInfo::exists(QString::fromLatin1(path))) {
            return {DriverFlavour::FreeTds, QString::fromLatin1(path)};
        }
    }
    return {DriverFlavour::FreeTds, QStringLiteral("FreeTDS")};
#endif
}

}  // namespace zev::odbc
