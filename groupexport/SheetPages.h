#pragma once

#include <QByteArray>

class QPagedPaintDevice;

namespace zev {

struct ElectivesSheet;

// Paints the sheet as printed pages on the device (a printer, a PDF): the title and the heading
// on the first page, the table with its header row repeated on every page, and "Страница N из M"
// at the foot of each. Rows are never split between pages. Answers the number of pages.
int paintSheet(const ElectivesSheet& sheet, QPagedPaintDevice& device);

// The page layout the sheet is printed in: A4 landscape with margins of 12 mm.
void useSheetPageLayout(QPagedPaintDevice& device);

// The sheet's pages as a PDF document.
QByteArray sheetPdf(const ElectivesSheet& sheet);

}  // namespace zev
