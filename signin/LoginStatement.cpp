#include "signin/LoginStatement.h"

#include "signin/PasswordDigest.h"

namespace zev {

QString sqlQuoted(const QString& text) {
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

QString composeGetUserStatement(const LoginRequest& request) {
    const QString newPasswordArgument = NewPasswordArgument(request.newPassword);
    // The length argument counts the characters of the new-password argument: "4" or "34".
    const QString lengthArgument = QString::number(newPasswordArgument.size());
    return QStringLiteral("EXEC GET_USER ") + sqlQuoted(request.login) + u',' +
           sqlQuoted(request.passwordDigest) + u',' + newPasswordArgument + QStringLiteral(", ") +
           QStringLiteral("'ZEV 32'") + QStringLiteral(", ") + sqlQuoted(request.ip) +
           QStringLiteral(", ") + sqlQuoted(request.computer) + QStringLiteral(", ") +
           sqlQuoted(request.login) + QStringLiteral(",'0',") + sqlQuoted(lengthArgument);
}

}  // namespace zev
