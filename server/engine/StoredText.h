#pragma once

#include <QString>

namespace zev::server {

// A text value as the database file stores it. Texts are UTF-8; a text that another tool wrote
// in the Cyrillic code page (invalid as UTF-8) is read as Windows-1251 instead of being spoilt
// with replacement characters. Its bytes stay as they are in the file: the text columns'
// collation decodes both sides the same way, so the value read compares equal to what is stored
// and a row holding it can still be written back by its original values. A byte order mark
// that opens a UTF-8 text is not part of it.
QString storedText(const char* bytes, int size);

// The same, read into `into` (what it held is replaced, its room reused): the bytes are checked
// and decoded in one pass, so that a result's rows need no string of their own per text.
void readStoredText(const char* bytes, int size, QString& into);

// Decodes UTF-8 into UTF-16 at `out`, which has room for `size` characters; answers the
// characters written, or -1 when the bytes are not valid UTF-8 (a stray or missing continuation
// byte, an overlong form, a surrogate, a code point past U+10FFFF, a sequence cut short).
qsizetype decodeUtf8(const char* bytes, qsizetype size, char16_t* out);

}  // namespace zev::server
