#pragma once

#include <QByteArray>
#include <QString>

namespace zev {

// Windows-1251, the single-byte Cyrillic code page of the database's text columns and of the
// grid edit payload, through Qt's own converter.

// The bytes of a text; a character the code page cannot hold becomes '?'.
QByteArray toCp1251(const QString& text);
QString fromCp1251(const QByteArray& bytes);
// True when every character of the text has a byte of its own in the code page.
bool fitsCp1251(const QString& text);
// The text as a single-byte field keeps it: characters outside the code page become '?'.
QString toCp1251Repertoire(const QString& text);

}  // namespace zev
