#pragma once

// A TDS 7.4 server on a loopback port over an embedded ZEV database file: the client's SQL
// Server path (FreeTDS and the ODBC driver, or FreeTDS's own tools) talks to it as to SQL Server.
// For tests and the demo only; production runs on Microsoft SQL Server.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zev::tds {

struct TdsServerOptions {
    QString databaseFile;         // the embedded database the sessions open
    bool noRowCounts = false;     // answer without row counts, as under SET NOCOUNT ON
    bool latinCollation = false;  // announce SQL_Latin1_General_CP1_CI_AS instead of Cyrillic
    std::uint16_t port = 0;       // 0: an ephemeral port
};

// What one client session did.
struct SessionRecord {
    QString user, application, host, database;
    int requests = 0;                            // SQL batches and RPC calls, the login not counted
    std::int64_t bytesIn = 0;                    // every byte received, packet headers included
    std::int64_t bytesOut = 0;                   // every byte sent
    std::vector<QString> statements;             // each request's statement text, in order
    std::vector<QString> parameterDeclarations;  // sp_executesql's parameter lists, in order
    bool loggedIn = false;
};

class TdsServer {
public:
    explicit TdsServer(TdsServerOptions options);
    ~TdsServer();
    TdsServer(const TdsServer&) = delete;
    TdsServer& operator=(const TdsServer&) = delete;

    // Listens on 127.0.0.1 and serves each connection in a thread of its own; answers the port.
    // Throws zev::Error when the port cannot be had.
    std::uint16_t start();
    // Closes the port and every session, and waits for their threads.
    void stop();
    std::uint16_t port() const;

    // The sessions so far, the ended ones included, in the order they connected.
    std::vector<SessionRecord> sessions() const;
    // Forgets what the sessions did so far (open sessions count on from zero).
    void resetRecords();
    // Called from a session's thread when it ends.
    void setSessionEndHandler(std::function<void(const SessionRecord&)> handler);

    // Closes the socket of every open session at once, as a failing server or network would.
    void dropConnections();

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace zev::tds
