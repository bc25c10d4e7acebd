#include "core/Errors.h"
#include "groupexport/ElectivesSheet.h"
#include "groupexport/SheetFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <memory>

namespace zev {

namespace {

struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const {
        if (workbook) {
            workbook_close(workbook);
        }
    }
};

[[noreturn]] void failed(const char* what, lxw_error error) {
    throw Error(QStringLiteral("Не удалось составить книгу Excel (%1: %2).")
                    .arg(QString::fromLatin1(what), QString::fromUtf8(lxw_strerror(error))));
}

void check(const char* what, lxw_error error) {
    if (error != LXW_NO_ERROR) {
        failed(what, error);
    }
}

void writeText(lxw_worksheet* sheet, int row, int column, const QString& text,
               lxw_format* format = nullptr) {
    if (text.isEmpty()) {
        return;
    }
    // Always a string cell, whatever the text begins with: no text becomes a formula.
    const QByteArray utf8 = text.toUtf8();
    check("worksheet_write_string",
          worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                 utf8.constData(), format));
}

}  // namespace

QByteArray sheetXlsx(const ElectivesSheet& sheet) {
    // libxlsxwriter writes to a file name: the workbook is made in a folder of its own, and its
    // bytes are handed on to be saved in one piece.
    QTemporaryDir folder;
    if (!folder.isValid()) {
        throw Error(QStringLiteral("Не удалось составить книгу Excel: нет временной папки (%1).")
                        .arg(folder.errorString()));
    }
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("sheet.xlsx")));
    const QByteArray tmpdir = QFile::encodeName(folder.path());
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(
        workbook_new_opt(path.constData(), &options));
    if (!workbook) {
        throw Error(QStringLiteral("Не удалось составить книгу Excel."));
    }
    const QByteArray sheetName = sheetTitle().toUtf8();
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook.get(), sheetName.constData());
    lxw_format* titleFormat = workbook_add_format(workbook.get());
    format_set_bold(titleFormat);
    format_set_font_size(titleFormat, 14);
    lxw_format* captionFormat = workbook_add_format(workbook.get());
    format_set_bold(captionFormat);
    lxw_format* headerFormat = workbook_add_format(workbook.get());
    format_set_bold(headerFormat);
    format_set_bg_color(headerFormat, 0xD9E1F2);
    format_set_border(headerFormat, LXW_BORDER_THIN);
    format_set_text_wrap(headerFormat);
    format_set_align(headerFormat, LXW_ALIGN_VERTICAL_CENTER);

    int row = 0;
    writeText(worksheet, row++, 0, sheetTitle(), titleFormat);
    for (const auto& [caption, value] : headingLines(sheet)) {
        writeText(worksheet, row, 0, caption + u':', captionFormat);
        writeText(worksheet, row++, 1, value);
    }
    ++row;  // a blank line before the table

    const QStringList columns = sheetColumns(sheet);
    const int headerRow = row;
    std::vector<qsizetype> widths(static_cast<std::size_t>(columns.size()), 0);
    for (int c = 0; c < columns.size(); ++c) {
        writeText(worksheet, row, c, columns[c], headerFormat);
        widths[static_cast<std::size_t>(c)] = columns[c].size();
    }
    ++row;
    const int numbers = streamColumn(sheet);
    for (const ElectivePlace& place : sheet.places) {
        const QStringList cells = sheetCells(sheet, place);
        for (int c = 0; c < cells.size(); ++c) {
            if (c == numbers && place.stream) {
                check("worksheet_write_number",
                      worksheet_write_number(worksheet, static_cast<lxw_row_t>(row),
                                             static_cast<lxw_col_t>(c),
                                             static_cast<double>(*place.stream), nullptr));
            } else {
                writeText(worksheet, row, c, cells[c]);
            }
            auto& width = widths[static_cast<std::size_t>(c)];
            width = std::max(width, cells[c].size());
        }
        ++row;
    }
    for (std::size_t c = 0; c < widths.size(); ++c) {
        const double width = static_cast<double>(std::min<qsizetype>(widths[c], 60)) + 2;
        worksheet_set_column(worksheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width,
                             nullptr);
    }
    worksheet_freeze_panes(worksheet, static_cast<lxw_row_t>(headerRow + 1), 0);
    check("worksheet_autofilter",
          worksheet_autofilter(worksheet, static_cast<lxw_row_t>(headerRow), 0,
                               static_cast<lxw_row_t>(std::max(headerRow, row - 1)),
                               static_cast<lxw_col_t>(columns.size() - 1)));
    worksheet_set_landscape(worksheet);
    worksheet_fit_to_pages(worksheet, 1, 0);
    worksheet_repeat_rows(worksheet, static_cast<lxw_row_t>(headerRow),
                          static_cast<lxw_row_t>(headerRow));

    const lxw_error closed = workbook_close(workbook.release());
    check("workbook_close", closed);
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(QStringLiteral("Не удалось прочитать составленную книгу Excel: %1.")
                        .arg(file.errorString()));
    }
    return file.readAll();
}

}  // namespace zev
