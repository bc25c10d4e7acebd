#pragma once

#include <QString>

namespace zev {

// What a successful sign-in hands to the registration window, which carries these fields.
struct SignedInUser {
    qint32 UserId = 0;  // the user's id; the faculty list's "@id_login"
    QString UserLogin;  // the login name as typed; written into every posted elective
};

}  // namespace zev
