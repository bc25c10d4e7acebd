#pragma once

#include <QString>

#ifdef _WIN32
#include <windows.h>  // the ODBC headers of Windows build on its types
#endif
#include <sql.h>

namespace zev::odbc {

// The messages of a handle's diagnostic records, one a line, each without the "[vendor]
// [component]" prefixes that the driver manager and the driver put before the server's own
// text. A record that repeats an earlier one is left out.
QString diagnosticText(SQLSMALLINT handleType, SQLHANDLE handle);

// True when a diagnostic record of the handle reports a broken connection (SQLSTATE class 08):
// the server closed the socket or the network failed.
bool connectionLost(SQLSMALLINT handleType, SQLHANDLE handle);

// The message of one diagnostic record without its leading bracketed prefixes.
QString withoutVendorPrefixes(const QString& message);

}  // namespace zev::odbc
