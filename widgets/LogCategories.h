#pragma once

#include <QLoggingCategory>

// The client's log categories. Everything the program logs goes through one of them, so that the
// log level of the program settings (zev32.ini, [log] level) or QT_LOGGING_RULES can choose.
// Nothing logged may contain a password, a password digest or a connection string.
namespace zev {
Q_DECLARE_LOGGING_CATEGORY(lcConnection)  // zev.connection: settings file, server, connections
Q_DECLARE_LOGGING_CATEGORY(lcSignIn)      // zev.signin: sign-in outcomes (login names only)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)      // zev.update: the self-update and its checks
Q_DECLARE_LOGGING_CATEGORY(lcData)        // zev.data: datasets and statements that failed
Q_DECLARE_LOGGING_CATEGORY(lcInterface)   // zev.interface: errors shown, Qt's own messages
}  // namespace zev
