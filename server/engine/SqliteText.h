#pragma once

#include <QString>

namespace zev::server {

// True when a text of SQLite's dialect holds exactly one statement and no comment: outside its
// string literals ('...') and quoted names ("...", [...], `...`) there is no "--", no "/*" and
// no ";", and every literal and name is closed. The translator's output must always pass.
bool isOneStatementWithoutComments(const QString& sqlite);

}  // namespace zev::server
