// Connection settings as a value and their text form: the parser with ODBC brace quoting, the
// quoting that keeps every value whole, and the password mask of error texts.
#include "FakeDrivers.h"
#include "QtPrinting.h"
#include "core/Errors.h"
#include "data/Connection.h"

#include <gtest/gtest.h>

namespace zev::testing {
namespace {

TEST(ConnectionStringParser, ReadsTheProvidersKeysInAnyLetterCase) {
    const ConnectionSettings s = parseConnectionString(QStringLiteral(
        "Provider=SQLOLEDB.1;Password=pw;Persist Security Info=True;user id=zev_signin;"
        "INITIAL CATALOG=ZEV;Data Source= dbhost\\SQLEXPRESS ;Packet Size=8192;"
        "Application Name=Проверка"));
    EXPECT_EQ(s.password, "pw");
    EXPECT_EQ(s.user, "zev_signin");
    EXPECT_EQ(s.catalog, "ZEV");
    EXPECT_EQ(s.dataSource, "dbhost\\SQLEXPRESS");
    EXPECT_EQ(s.packetSize, 8192);
    EXPECT_EQ(s.applicationName, QStringLiteral("Проверка"));

    // The ODBC spellings name the same settings; the application name defaults to the program's.
    const ConnectionSettings odbc =
        parseConnectionString(QStringLiteral("SERVER=h,1433;DATABASE=ZEV;UID=u;PWD=p;x=y"));
    EXPECT_EQ(odbc.dataSource, "h,1433");
    EXPECT_EQ(odbc.catalog, "ZEV");
    EXPECT_EQ(odbc.user, "u");
    EXPECT_EQ(odbc.password, "p");
    EXPECT_EQ(odbc.applicationName, "ZEV 32");
    EXPECT_EQ(odbc.packetSize, 4096);
}

TEST(ConnectionStringParser, BracedValuesArriveWhole) {
    const ConnectionSettings s = parseConnectionString(
        QStringLiteral("Password={St;aff=1};User ID={Кафедра {к}}};Data Source=h;"
                       "Initial Catalog={}}}"));
    EXPECT_EQ(s.password, "St;aff=1");
    EXPECT_EQ(s.user, QStringLiteral("Кафедра {к}"));
    EXPECT_EQ(s.dataSource, "h");
    EXPECT_EQ(s.catalog, "}");
    // An unbraced value runs to the next ';', '=' included.
    EXPECT_EQ(parseConnectionString(QStringLiteral("Password=a=b;User ID=u")).password, "a=b");
    // An unclosed brace takes the rest of the text rather than losing it.
    EXPECT_EQ(parseConnectionString(QStringLiteral("Password={a;b")).password, "a;b");
}

TEST(ConnectionStringParser, QuotedValuesRoundTrip) {
    for (const QString& value : {QStringLiteral("plain"), QStringLiteral("St;aff=1"),
                                 QStringLiteral("a}b{c}}"), QStringLiteral(" blanks "),
                                 QStringLiteral("Пароль;}"), QStringLiteral("{x}"), QString()}) {
        const QString text = QStringLiteral("Password=") + quoteConnectionValue(value) +
                             QStringLiteral(";User ID=") + quoteConnectionValue(value) +
                             QStringLiteral(";Data Source=h");
        const ConnectionSettings s = parseConnectionString(text);
        EXPECT_EQ(s.password, value) << text.toStdString();
        EXPECT_EQ(s.user, value) << text.toStdString();
        EXPECT_EQ(s.dataSource, "h") << text.toStdString();
    }
    EXPECT_EQ(quoteConnectionValue(QStringLiteral("zev_staff")), "zev_staff");
    EXPECT_EQ(quoteConnectionValue(QStringLiteral("a}b")), "{a}}b}");
}

TEST(ConnectionStringParser, ConnectionKeepsSettingsAndText) {
    Connection connection;
    connection.setConnectionString(QStringLiteral("Password={p;w};Data Source=f.sqlite"));
    EXPECT_EQ(connection.settings().password, "p;w");
    EXPECT_EQ(connection.settings().dataSource, "f.sqlite");
    ConnectionSettings s;
    s.user = QStringLiteral("u");
    connection.setSettings(s);
    EXPECT_EQ(connection.settings(), s);
    EXPECT_TRUE(connection.connectionString().isEmpty());
}

TEST(PasswordMask, OnlyThePasswordValueOfAConnectionString) {
    // The password's text elsewhere in a message stays.
    EXPECT_EQ(maskConnectionPassword(QStringLiteral("Database 'x' does not exist")),
              "Database 'x' does not exist");
    EXPECT_EQ(maskConnectionPassword(QStringLiteral("DRIVER={d};SERVER=h;PWD=x;UID=x")),
              "DRIVER={d};SERVER=h;PWD=***;UID=x");
    EXPECT_EQ(maskConnectionPassword(QStringLiteral("Password={a;b}}c};User ID=u")),
              "Password=***;User ID=u");
    EXPECT_EQ(maskConnectionPassword(QStringLiteral("bad string: pwd = secret")),
              "bad string: pwd = ***");
}

TEST(UnreportedRowCount, AnUpdateOrDeleteWithoutACountFails) {
    auto server = std::make_shared<FakeServer>();
    server->rowsAffected = -1;  // as under SET NOCOUNT ON
    Connection connection;
    connection.openWithDriver(std::make_unique<FakeDriver>(server));
    for (const char* sql : {"UPDATE DisciplineForStudent SET subgroup = 1 WHERE 1 = 0",
                            "  -- the rows of a student\n delete FROM Debts WHERE id_debts = :k",
                            "/* c */ UPDATE t SET a = 1"}) {
        try {
            connection.execute(QString::fromUtf8(sql), {{"k", Value{std::int64_t{1}}}});
            ADD_FAILURE() << "taken as success: " << sql;
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.text().contains(QStringLiteral("did not report"))) << sql;
        }
    }
    // Other statements have no count to lose.
    EXPECT_EQ(connection.execute(QStringLiteral("SET DATEFORMAT dmy")), -1);
    EXPECT_EQ(connection.execute(QStringLiteral("INSERT INTO t VALUES (1)")), -1);
    EXPECT_EQ(server->calls.size(), 5u);
}

}  // namespace
}  // namespace zev::testing
