#pragma once

#include <QString>

namespace zev::server {

// A text value as the database file stores it. Texts are UTF-8; a text that another tool wrote
// in the Cyrillic code page (invalid as UTF-8) is read as Windows-1251 instead of being spoilt
// with replacement characters. Its bytes stay as they are in the file: the text columns'
// collation decodes both sides the same way, so the value read compares equal to what is stored
// and a row holding it can still be written back by its original values.
QString storedText(const char* bytes, int size);

}  // namespace zev::server
