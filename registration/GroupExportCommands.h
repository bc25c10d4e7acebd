#pragma once

#include "groupexport/ElectivesSheet.h"

#include <QObject>

#include <optional>

class QAction;
class QMenu;
class QPagedPaintDevice;

namespace zev {

class TDM_MB;
class TForm1;

// The commands of the menu "Группа" that put a group's or a faculty's electives out of the
// program: Excel and CSV files, the printed sheet and its PDF. They read the cascade's choices,
// let the user name the file (FileChooser) and report failures through the notices; the rows,
// the files and the pages are made by the export library.
class GroupExportCommands : public QObject {
    Q_OBJECT
public:
    enum class FileKind { Excel, Csv };

    GroupExportCommands(TForm1& window, TDM_MB& dm);

    void addTo(QMenu& menu);

    // The chosen group's places in a file of that kind.
    void exportGroup(FileKind kind);
    // The chosen group's sheet in the print preview, from which it is printed.
    void printGroup();
    // The chosen group's sheet as a PDF file.
    void saveGroupPdf();
    // Every group of the chosen faculty, year and semester in a file of that kind, group by
    // group under a progress dialog that can stop it.
    void exportFaculty(FileKind kind);

    // The chosen group's sheet as read now; null (after a notice saying what to choose) when the
    // cascade has not reached a group.
    std::optional<ElectivesSheet> readGroupSheet();

    QAction* GroupExcelAction = nullptr;    // "Экспорт группы в Excel…"
    QAction* GroupCsvAction = nullptr;      // "Экспорт группы в CSV…"
    QAction* PrintAction = nullptr;         // "Печать группы…"
    QAction* PdfAction = nullptr;           // "Сохранить группу в PDF…"
    QAction* FacultyExcelAction = nullptr;  // "Экспорт факультета в Excel…"
    QAction* FacultyCsvAction = nullptr;    // "Экспорт факультета в CSV…"

private:
    // A pending row of either grid is posted first, so that the file holds what the user sees.
    bool settled();
    // The file the user names for the sheet, empty when he gives up.
    QString askFileName(const ElectivesSheet& sheet, FileKind kind);
    QString askFileName(const ElectivesSheet& sheet, const QString& caption,
                        const QString& extension, const QString& filter);
    // Writes the sheet's bytes, telling the user through a notice when that fails.
    void save(const QString& fileName, const ElectivesSheet& sheet, FileKind kind);
    SheetHeading heading() const;

    TForm1& window_;
    TDM_MB& dm_;
};

}  // namespace zev
