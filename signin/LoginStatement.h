#pragma once

#include <QString>

namespace zev {

// What GET_USER receives besides the fixed values.
struct LoginRequest {
    QString login;           // as typed, sent twice
    QString passwordDigest;  // DigestHex of the current password
    QString newPassword;     // "NULL" for a plain sign-in, else the new password in clear
    QString ip;
    QString computer;
};

// A text as a T-SQL string literal: between single quotes, every quote inside doubled, so that
// the server receives the text unchanged whatever it holds.
QString sqlQuoted(const QString& text);

// The new-password argument: NULL unquoted for "NULL", else the quoted digest of the new password
// (34 characters).
QString NewPasswordArgument(const QString& newPassword);

// The sign-in call with its nine arguments:
// EXEC GET_USER 'login','digest',NULL, 'ZEV 32', 'ip', 'computer', 'login','0','4'
QString composeGetUserStatement(const LoginRequest& request);

// Declares to the server, on the user's own connection, the member of staff who signed in, so
// that the history of the students' rows records him (every member of staff shares one
// database account). Read-only: nothing later in the session can change it. The login is the
// parameter ":login".
inline constexpr const char* kDeclareStaffLoginStatement =
    "EXEC sp_set_session_context @key = N'zev_login', @value = :login, @read_only = 1";

}  // namespace zev
