#include "signin/LoginStatement.h"

#include "signin/PasswordDigest.h"

namespace zev {

QString SqlQuoted(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QString NewPasswordArgument(const QString& newPassword) {
    if (newPassword == QLatin1String("NULL")) {
        return QStringLiteral("NULL");
    }
    return u'\'' + DigestHex(newPassword) + u'\'';
}

QString ComposeGetUserStatement(const LoginRequest& request) {
    const QString newPasswordArgument = NewPasswordArgument(request.newPassword);
    // The length argument counts the characters of the new-password argument: "4" or "34".
    const QString lengthArgument = QString::number(newPasswordArgument.size());
    return QStringLiteral("EXEC GET_USER ") + SqlQuoted(request.login) + u',' +
           SqlQuoted(request.passwordDigest) + u',' + newPasswordArgument + QStringLiteral(", ") +
           QStringLiteral("'ZEV 32'") + QStringLiteral(", ") + SqlQuoted(request.ip) +
           QStringLiteral(", ") + SqlQuoted(request.computer) + QStringLiteral(", ") +
           SqlQuoted(request.login) + QStringLiteral(",'0',") + SqlQuoted(lengthArgument);
}

}  // namespace zev
