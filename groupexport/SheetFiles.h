#pragma once

#include <QByteArray>
#include <QString>

namespace zev {

struct ElectivesSheet;

// The sheet as a CSV file for spreadsheet programs in Russian locales: UTF-8 with a byte-order
// mark, fields separated by ';', lines ended by CR LF, a field quoted (RFC 4180) when it holds ';',
// '"' or a line break. A text that a spreadsheet would take for a formula (beginning with '=',
// '+', '-', '@', a tab or a carriage return) gets a leading apostrophe.
QByteArray sheetCsv(const ElectivesSheet& sheet);

// The sheet as an Excel workbook: the title and the heading above a table with a bold header row
// (frozen, with a filter); every text is a string cell, the stream a number. Throws Error when
// the workbook cannot be made.
QByteArray sheetXlsx(const ElectivesSheet& sheet);

// Writes the bytes to the file through a temporary file beside it, which takes the file's place
// only once every byte is written: a failure leaves the file as it was. Throws Error, worded for
// the user, when the file cannot be written.
void saveAtomically(const QString& fileName, const QByteArray& bytes);

}  // namespace zev
