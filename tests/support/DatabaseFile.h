#pragma once

// The embedded database file reached straight through SQLite, past the client and the server, as
// an administrator would: to read what a test's actions stored, or to change the file behind the
// server's back.

#include <QString>
#include <QStringList>

#include <vector>

namespace zev::testing {

// The first column of the first row of the statement's result; "<no row>" when there is none,
// "<error …>" when the statement fails.
QString readDatabaseValue(const QString& databaseFile, const QString& sql);

// Every row of the statement's result, each as the texts of its columns (the empty text for
// Null); throws zev::Error when the statement fails.
std::vector<QStringList> readDatabaseRows(const QString& databaseFile, const QString& sql);

// Runs the statements; an empty text when they ran, else SQLite's error message.
QString runOnDatabaseFile(const QString& databaseFile, const QString& sql);

}  // namespace zev::testing
