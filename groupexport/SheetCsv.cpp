#include "groupexport/ElectivesSheet.h"
#include "groupexport/SheetFiles.h"

namespace zev {

namespace {

// A spreadsheet reads a cell beginning with one of these as a formula (a tab or a carriage
// return before one is skipped by some): the apostrophe makes it plain text.
bool looksLikeFormula(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    const QChar first = text.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' ||
           first == u'\r';
}

QString field(QString text, bool isText) {
    if (isText && looksLikeFormula(text)) {
        text.prepend(u'\'');
    }
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') ||
        text.contains(u'\r')) {
        text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        text = u'"' + text + u'"';
    }
    return text;
}

void appendLine(QString& out, const QStringList& cells, int numberColumn) {
    for (int c = 0; c < cells.size(); ++c) {
        if (c > 0) {
            out += u';';
        }
        out += field(cells[c], c != numberColumn);
    }
    out += QStringLiteral("\r\n");
}

}  // namespace

QByteArray sheetCsv(const ElectivesSheet& sheet) {
    QString text;
    appendLine(text, sheetColumns(sheet), -1);
    const int numbers = streamColumn(sheet);
    for (const ElectivePlace& place : sheet.places) {
        appendLine(text, sheetCells(sheet, place), numbers);
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

}  // namespace zev
