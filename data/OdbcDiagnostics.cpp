#include "data/OdbcDiagnostics.h"

#include <sqlext.h>

#include <QStringList>

namespace zev::odbc {

QString withoutVendorPrefixes(const QString& message) {
    QString text = message.trimmed();
    while (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0) {
            break;
        }
        text = text.mid(close + 1);
    }
    return text.trimmed();
}

bool connectionLost(SQLSMALLINT handleType, SQLHANDLE handle) {
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLWCHAR message[8] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, record, state, &nativeError, message, 8, &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            return false;
        }
        if (state[0] == u'0' && state[1] == u'8') {
            return true;
        }
    }
}

QString diagnosticText(SQLSMALLINT handleType, SQLHANDLE handle) {
    QStringList lines;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLWCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLGetDiagRecW(handleType, handle, record, state, &nativeError, message, 1024, &length);
        if (!SQL_SUCCEEDED(rc)) {
            break;
        }
        const QString line = withoutVendorPrefixes(QString::fromUtf16(
            reinterpret_cast<const char16_t*>(message), std::min<qsizetype>(length, 1023)));
        if (!line.isEmpty() && !lines.contains(line)) {
            lines << line;
        }
    }
    return lines.isEmpty() ? QStringLiteral("Unknown ODBC driver error") : lines.join(u'\n');
}

}  // namespace zev::odbc
