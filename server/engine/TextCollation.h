#pragma once

namespace zev::server {

// The order of the database's text columns, as SQL Server's Cyrillic_General_CI_AS: letter case
// ignored in every alphabet (a Unicode case fold, not ASCII's), trailing blanks ignored, texts
// read as storedText reads them (UTF-8, or Windows-1251 where the bytes are not UTF-8).
// Returns -1, 0 or 1. Sorting and grouping call it for every pair of rows, so the usual case
// (both sides valid UTF-8 in the Basic Multilingual Plane) compares code point by code point
// without building a string.
int compareTextIgnoringCase(const char* left, int leftSize, const char* right, int rightSize);

}  // namespace zev::server
