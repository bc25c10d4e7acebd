#pragma once

#include <QString>

namespace zev::server {

// Writes the rows of a generated ZEV database (the embedded server's file) as a T-SQL script for
// sqlcmd that fills a real SQL Server database made by server/mssql: one INSERT per up to 1000
// rows, tables in the order their keys need, identity columns kept (IDENTITY_INSERT). The
// accounts table (db_account, which the accounts script fills) and the sign-in log are left out.
// The script stops without changing anything when the database already holds data.
// Throws Error when the database cannot be read or the script cannot be written.
void writeTsqlLoadScript(const QString& databaseFile, const QString& scriptFile);

// A text as a T-SQL Unicode literal: N'...' with every single quote doubled.
QString tsqlText(const QString& text);

}  // namespace zev::server
