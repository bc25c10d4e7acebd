// The SQL Server driver without a SQL Server: the settings-to-ODBC mapping, and a login against a
// loopback port where nothing speaks TDS.

#include "core/Errors.h"
#include "data/Connection.h"
#include "data/OdbcConnectionString.h"
#include "data/OdbcDriver.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <future>

namespace zev::testing {
namespace {

using namespace zev::odbc;

ConnectionSettings settingsFor(const QString& dataSource) {
    return parseConnectionString(
        QStringLiteral(
            "Provider=SQLOLEDB.1;Password={s3cr;et};Persist Security Info=True;"
            "User ID=zev_signin;Initial Catalog=ZEV;Data Source=%1;"
            "Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;"
            "Use Encryption for Data=False;Tag with column collation when possible=False")
            .arg(dataSource));
}

const DriverChoice kFreeTds{DriverFlavour::FreeTds,
                            QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so")};
const DriverChoice kMicrosoft{DriverFlavour::MicrosoftOdbc,
                              QStringLiteral("ODBC Driver 18 for SQL Server")};

TEST(DataSource, SplitsHostInstanceAndPort) {
    const ServerAddress plain = parseDataSource(QStringLiteral("db.example.edu"));
    EXPECT_EQ(plain.host, "db.example.edu");
    EXPECT_TRUE(plain.instance.isEmpty());
    EXPECT_EQ(plain.port, 0);

    const ServerAddress named = parseDataSource(QStringLiteral("DEVHOST\\SQLEXPRESS"));
    EXPECT_EQ(named.host, "DEVHOST");
    EXPECT_EQ(named.instance, "SQLEXPRESS");

    const ServerAddress withPort = parseDataSource(QStringLiteral(" 10.0.0.5 , 14330 "));
    EXPECT_EQ(withPort.host, "10.0.0.5");
    EXPECT_EQ(withPort.port, 14330);

    EXPECT_EQ(parseDataSource(QStringLiteral("tcp:h,1500")).port, 1500);
    EXPECT_EQ(parseDataSource(QStringLiteral("(local)")).host, "127.0.0.1");
    EXPECT_EQ(parseDataSource(QStringLiteral("h,notaport")).port, 0);
}

TEST(FreeTdsMapping, CarriesEveryConnectionSetting) {
    const QString s =
        composeOdbcConnectionString(settingsFor(QStringLiteral("db.example.edu,14330")), kFreeTds);
    EXPECT_TRUE(s.startsWith("DRIVER={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};"))
        << s.toStdString();
    EXPECT_TRUE(s.contains(";SERVER=db.example.edu;PORT=14330;")) << s.toStdString();
    EXPECT_TRUE(s.contains(";DATABASE=ZEV;"));
    EXPECT_TRUE(s.contains(";UID=zev_signin;"));
    EXPECT_TRUE(s.contains(";APP=ZEV 32;"));
    EXPECT_TRUE(s.contains(";TDS_Version=7.4;"));
    EXPECT_TRUE(s.contains(";ClientCharset=UTF-8;"));
    EXPECT_TRUE(s.contains(";Encryption=off;"));
    EXPECT_TRUE(s.endsWith(";PacketSize=4096"));
}

TEST(FreeTdsMapping, DefaultPortAndNamedInstance) {
    const QString plain =
        composeOdbcConnectionString(settingsFor(QStringLiteral("dbhost")), kFreeTds);
    EXPECT_TRUE(plain.contains(";SERVER=dbhost;PORT=1433;"));

    const QString named =
        composeOdbcConnectionString(settingsFor(QStringLiteral("dbhost\\SQLEXPRESS")), kFreeTds);
    EXPECT_TRUE(named.contains(";SERVER=dbhost\\SQLEXPRESS;DATABASE=")) << named.toStdString();
    EXPECT_FALSE(named.contains("PORT="));
}

TEST(FreeTdsMapping, PasswordWithSeparatorsIsBraced) {
    // A brace-worthy password stays one value in the driver's connection string.
    EXPECT_EQ(settingsFor(QStringLiteral("h")).password, "s3cr;et");
    ConnectionSettings settings = settingsFor(QStringLiteral("h"));
    settings.password = QStringLiteral("a;b}c");
    const QString s = composeOdbcConnectionString(settings, kFreeTds);
    EXPECT_TRUE(s.contains(";PWD={a;b}}c};")) << s.toStdString();
    EXPECT_EQ(quoteOdbcValue(QStringLiteral("plain")), "plain");
    EXPECT_EQ(quoteOdbcValue(QStringLiteral(" lead")), "{ lead}");
    EXPECT_EQ(quoteOdbcValue(QString()), "{}");
}

TEST(MicrosoftMapping, ServerForms) {
    const QString withPort =
        composeOdbcConnectionString(settingsFor(QStringLiteral("h,1500")), kMicrosoft);
    EXPECT_TRUE(withPort.startsWith("DRIVER={ODBC Driver 18 for SQL Server};Server=tcp:h,1500;"))
        << withPort.toStdString();
    EXPECT_TRUE(withPort.contains(";Database=ZEV;UID=zev_signin;"));
    EXPECT_TRUE(withPort.contains(";APP=ZEV 32;Encrypt=no"));
    const QString named =
        composeOdbcConnectionString(settingsFor(QStringLiteral("h\\SQLEXPRESS")), kMicrosoft);
    EXPECT_TRUE(named.contains(";Server=h\\SQLEXPRESS;"));
}

// A TCP peer that accepts connections on a loopback port and never answers, in a thread of its
// own so that it keeps accepting while the driver blocks the test's thread.
class SilentPeer {
public:
    SilentPeer() {
        std::promise<quint16> port;
        std::future<quint16> chosen = port.get_future();
        thread_.reset(QThread::create([&port] {
            QTcpServer server;
            server.listen(QHostAddress::LocalHost, 0);
            QObject::connect(&server, &QTcpServer::newConnection, [&server] {
                while (QTcpSocket* socket = server.nextPendingConnection()) {
                    socket->setParent(&server);  // kept open, never written to
                }
            });
            port.set_value(server.serverPort());
            QEventLoop loop;
            loop.exec();
        }));
        thread_->start();
        port_ = chosen.get();
    }
    ~SilentPeer() {
        thread_->quit();
        thread_->wait();
    }
    SilentPeer(const SilentPeer&) = delete;
    SilentPeer& operator=(const SilentPeer&) = delete;
    quint16 port() const { return port_; }

private:
    std::unique_ptr<QThread> thread_;
    quint16 port_ = 0;
};

TEST(OdbcLogin, SilentLoopbackPeerFailsClearlyInBoundedTime) {
    SilentPeer peer;
    ASSERT_NE(peer.port(), 0);
    ConnectionSettings settings = settingsFor(QStringLiteral("127.0.0.1,%1").arg(peer.port()));
    settings.password = QStringLiteral("Secret-Pw-42");

    // The login timeout (5 s) ends the wait; were it ignored, the suite's time limit of the test
    // would end it instead, as a failure.
    try {
        openOdbcDriver(settings, defaultDriverChoice(), 5);
        FAIL() << "a peer that says nothing must not give an open connection";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains("Cannot connect to SQL Server \"127.0.0.1,"))
            << e.text().toStdString();
        EXPECT_FALSE(e.text().contains("Secret-Pw-42")) << e.text().toStdString();
    }
}

TEST(OdbcLogin, ConnectionChoosesSqlServerForAHostName) {
    // Nothing listens on this port: the Connection must pick the SQL Server driver and report
    // the failure, not open the embedded server or hang.
    QTcpServer reserve;
    ASSERT_TRUE(reserve.listen(QHostAddress::LocalHost, 0));
    const quint16 port = reserve.serverPort();
    reserve.close();
    Connection connection;
    connection.setConnectionString(
        QStringLiteral("Password=pw-xyz;User ID=u;Initial Catalog=ZEV;Data Source=127.0.0.1,%1")
            .arg(port));
    try {
        connection.open();
        FAIL() << "nothing listens there";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains("SQL Server")) << e.text().toStdString();
        EXPECT_FALSE(e.text().contains("pw-xyz"));
    }
    EXPECT_FALSE(connection.isOpen());
}

}  // namespace
}  // namespace zev::testing
