#pragma once

// A demo database served by the TDS test server on a loopback port, and connections to it
// through the client's SQL Server driver (FreeTDS under the ODBC driver manager).

#include "DatabaseFile.h"
#include "QtPrinting.h"
#include "core/Errors.h"
#include "data/Connection.h"
#include "server/gen/Generator.h"
#include "server/tds/TdsServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace zev::testing {

class TdsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        demo = server::generateDatabase(folder.path(), server::DatabaseSize::Demo);
        startServer({});
    }

    void startServer(tds::TdsServerOptions options) {
        tds.reset();
        options.databaseFile = demo.databaseFile;
        tds = std::make_unique<tds::TdsServer>(options);
        port = tds->start();
    }

    QString dataSource() const { return QStringLiteral("127.0.0.1,%1").arg(port); }

    ConnectionSettings staffSettings() const {
        ConnectionSettings s;
        s.dataSource = dataSource();
        s.catalog = QStringLiteral("ZEV");
        s.user = QString::fromLatin1(server::kStaffUser);
        s.password = QString::fromLatin1(server::kStaffPassword);
        return s;
    }

    // A connection of the staff account through the SQL Server driver.
    std::unique_ptr<Connection> connect(const ConnectionSettings& settings) {
        auto c = std::make_unique<Connection>();
        c->setSettings(settings);
        c->open();
        return c;
    }

    // The error text of an action that must fail.
    template <typename F>
    static QString errorOf(F&& f) {
        try {
            f();
        } catch (const Error& e) {
            return e.text();
        }
        return QStringLiteral("<no error>");
    }

    // Changes the database file behind the server's back, as an administrator would.
    void runOnDatabase(const char* sql) const {
        EXPECT_EQ(runOnDatabaseFile(demo.databaseFile, QString::fromUtf8(sql)), QString()) << sql;
    }

    // The one session of the given user that logged in last.
    tds::SessionRecord lastSessionOf(const QString& user) const {
        const auto all = tds->sessions();
        const auto found = std::find_if(all.rbegin(), all.rend(), [&](const tds::SessionRecord& s) {
            return s.user == user && s.loggedIn;
        });
        if (found != all.rend()) {
            return *found;
        }
        ADD_FAILURE() << "no session of " << user.toStdString();
        return {};
    }

    QTemporaryDir folder;
    server::GeneratedDatabase demo;
    std::unique_ptr<tds::TdsServer> tds;
    std::uint16_t port = 0;
};

}  // namespace zev::testing
