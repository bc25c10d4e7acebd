#pragma once

#include "core/ResultSet.h"
#include "core/Value.h"

#include <QString>

#include <vector>

namespace zev::server {

class Database;

// The body of GET_USER. Arguments in order: login, MD5 digest of the password, digest of a new
// password or NULL, program name, IP address, computer name, login again, mode ("0"), length of
// the new-password argument ("4" or "34"). Answers one row: the user's database account name and
// password (each character one code lower), the user's id, days before the password expires
// (below 0: it must be changed now), a message (non-empty: the sign-in is refused) and the update
// flag (2: a release of the program was published that this computer was not yet given).
// Every call leaves one line in signin_log; digests are never written there.
ResultSet signIn(Database& db, const std::vector<Value>& args);

// Each character one Windows-1251 code lower, modulo 256: what the client's ShiftText turns back.
QString shiftDown(const QString& text);

// Upper-case hexadecimal MD5 of the text's Windows-1251 bytes, as the client computes it.
QString passwordDigest(const QString& password);

}  // namespace zev::server
