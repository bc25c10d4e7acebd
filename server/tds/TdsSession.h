#pragma once

#include "server/tds/TdsServer.h"

#include <QString>

#include <functional>

namespace zev::tds {

struct SessionHooks {
    // Applies a change to the session's record under the server's lock.
    std::function<void(const std::function<void(SessionRecord&)>&)> record;
};

// Serves one client connection until it closes or breaks the protocol: PRELOGIN, LOGIN7 against
// the embedded database's accounts, SQL batches, RPC sp_executesql and named procedures, and
// attention. Does not close the socket.
void serveSession(int socket, int spid, const TdsServerOptions& options, const SessionHooks& hooks);

// sp_executesql's statement with each of its named parameters (outside literals, bracketed and
// quoted names and comments) replaced by a "?" marker; names answers, per marker, the index of
// the parameter in `names`. A name not among them stays as it is.
QString positionalStatement(const QString& statement, const std::vector<QString>& names,
                            std::vector<int>& order);

// The SQL Server error number that an embedded server's message stands for (50000 when none).
int errorNumberOf(const QString& message);

}  // namespace zev::tds
