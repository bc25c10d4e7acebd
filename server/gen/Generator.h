#pragma once

#include <QString>

#include <vector>

namespace zev::server {

enum class DatabaseSize { Demo, University };

// A staff login of the generated database and what it shows at sign-in.
struct DemoLogin {
    QString login, password, note;
};

struct GeneratedDatabase {
    QString databaseFile;  // absolute path of the database file
    QString settingsFile;  // absolute path of the 84-byte connection settings file "ZEV"
    std::vector<DemoLogin> logins;
};

// Writes <folder>/zev-demo.sqlite (or zev-univ.sqlite) and the settings file <folder>/ZEV, which
// names the database file relative to the folder and the sign-in account. Replaces files of the
// same names. The same seed gives the same data.
GeneratedDatabase generateDatabase(const QString& folder, DatabaseSize size, quint32 seed = 1);

// The sign-in account written into the settings file.
inline constexpr const char* kSignInUser = "zev_signin";
inline constexpr const char* kSignInPassword = "Vhod#2025";
// The database account of the staff logins.
inline constexpr const char* kStaffUser = "zev_staff";
inline constexpr const char* kStaffPassword = "Rabota#2025";

}  // namespace zev::server
