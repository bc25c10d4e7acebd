#pragma once

#include <QString>

namespace zev {

// What a connection opens with: the server, the database, the account and the name under which
// the program introduces itself. Carried as a value from the sign-in to the driver, so that no
// value is cut apart by the text form in between.
struct ConnectionSettings {
    QString dataSource;                                  // "Data Source": host, file or address
    QString catalog;                                     // "Initial Catalog"
    QString user;                                        // "User ID"
    QString password;                                    // "Password"
    QString applicationName = QStringLiteral("ZEV 32");  // "Application Name"
    int packetSize = 4096;                               // "Packet Size"

    friend bool operator==(const ConnectionSettings&, const ConnectionSettings&) = default;
};

// Reads a connection string ("key=value;key=value", keys in any letter case, unknown keys
// ignored) into the settings. A value that begins with '{' runs to its closing brace, a doubled
// "}}" standing for one brace, so that ';', '=', '{' and '}' arrive whole inside it.
ConnectionSettings parseConnectionString(const QString& connectionString);

// A value as a connection string carries it: as it is when nothing in it would be misread,
// otherwise in braces with every closing brace doubled. An empty value stays empty.
QString quoteConnectionValue(const QString& value);

// The text with the value of each password key of a connection string ("Password=", "PWD=")
// replaced by "***"; nothing else in the text is touched. Drivers may echo the connection
// string in their error texts.
QString maskConnectionPassword(const QString& text);

}  // namespace zev
