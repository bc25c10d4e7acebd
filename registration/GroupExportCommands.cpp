#include "registration/GroupExportCommands.h"

#include "core/Errors.h"
#include "data/DataModule.h"
#include "groupexport/SheetFiles.h"
#include "groupexport/SheetPages.h"
#include "registration/RegistrationMenus.h"
#include "registration/RegistrationWindow.h"
#include "widgets/FileChooser.h"
#include "widgets/Notices.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <functional>

namespace zev {

namespace {

// The wait cursor while the server is read and a file is made.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

GroupExportCommands::GroupExportCommands(TForm1& window, TDM_MB& dm)
    : QObject(&window), window_(window), dm_(dm) {}

void GroupExportCommands::addTo(QMenu& menu) {
    GroupExcelAction = addMenuCommand(menu, QStringLiteral("Экспорт группы в &Excel…"),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X), *this,
                                      [this] { exportGroup(FileKind::Excel); });
    GroupCsvAction = addMenuCommand(menu, QStringLiteral("Экспорт группы в &CSV…"),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), *this,
                                    [this] { exportGroup(FileKind::Csv); });
    menu.addSeparator();
    PrintAction =
        addMenuCommand(menu, QStringLiteral("&Печать группы…"), QKeySequence(Qt::CTRL | Qt::Key_P),
                       *this, [this] { printGroup(); });
    PdfAction = addMenuCommand(menu, QStringLiteral("Сохранить группу в P&DF…"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), *this,
                               [this] { saveGroupPdf(); });
    menu.addSeparator();
    FacultyExcelAction = addMenuCommand(menu, QStringLiteral("Экспорт &факультета в Excel…"),
                                        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X), *this,
                                        [this] { exportFaculty(FileKind::Excel); });
    FacultyCsvAction = addMenuCommand(menu, QStringLiteral("Экспорт факультета в CS&V…"),
                                      QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C), *this,
                                      [this] { exportFaculty(FileKind::Csv); });

    // The open menu shows which entries the cascade's choices allow. Closed, every entry is
    // enabled, so that its shortcut always answers, if only with a notice saying what to choose.
    connect(&menu, &QMenu::aboutToShow, this, [this] {
        const bool group =
            window_.DBLookupComboBox4->keyValue() && window_.DBLookupComboBox2->keyValue() &&
            window_.DBLookupComboBox5->keyValue() && window_.DBLookupComboBox3->keyValue();
        const bool faculty = window_.DBLookupComboBox1->keyValue() &&
                             window_.DBLookupComboBox2->keyValue() &&
                             window_.DBLookupComboBox5->keyValue();
        for (QAction* action : {GroupExcelAction, GroupCsvAction, PrintAction, PdfAction}) {
            action->setEnabled(group);
        }
        for (QAction* action : {FacultyExcelAction, FacultyCsvAction}) {
            action->setEnabled(faculty);
        }
    });
    connect(&menu, &QMenu::aboutToHide, this, [this] {
        for (QAction* action : {GroupExcelAction, GroupCsvAction, PrintAction, PdfAction,
                                FacultyExcelAction, FacultyCsvAction}) {
            action->setEnabled(true);
        }
    });
}

bool GroupExportCommands::settled() {
    return window_.settlePendingEdits();
}

SheetHeading GroupExportCommands::heading() const {
    SheetHeading h;
    h.faculty = window_.DBLookupComboBox1->text();
    h.speciality = window_.DBLookupComboBox4->text();
    h.group = window_.DBLookupComboBox3->text();
    h.year = window_.DBLookupComboBox2->text();
    h.semester = window_.DBLookupComboBox5->text();
    return h;
}

std::optional<ElectivesSheet> GroupExportCommands::readGroupSheet() {
    const auto speciality = window_.DBLookupComboBox4->keyValue();
    const auto year = window_.DBLookupComboBox2->keyValue();
    const auto semester = window_.DBLookupComboBox5->keyValue();
    const auto group = window_.DBLookupComboBox3->keyValue();
    if (!speciality || !year || !semester || !group) {
        notify(&window_,
               QStringLiteral("Выберите группу: факультет, форму обучения, специальность, "
                              "учебный год, семестр и группу."));
        return std::nullopt;
    }
    ElectivesSheet sheet;
    sheet.heading = heading();
    {
        const BusyCursor busy;
        sheet.places = readGroupPlaces(dm_.ADOCon, {*speciality, *year, *semester, *group});
    }
    if (sheet.places.empty()) {
        notify(&window_, QStringLiteral("У студентов группы %1 нет мест дисциплин по выбору "
                                        "в этом учебном году и семестре.")
                             .arg(sheet.heading.group));
        return std::nullopt;
    }
    return sheet;
}

QString GroupExportCommands::askFileName(const ElectivesSheet& sheet, const QString& caption,
                                         const QString& extension, const QString& filter) {
    const QString what = sheet.wholeFaculty ? sheet.heading.faculty : sheet.heading.group;
    const QString name =
        fileNameOf(
            QStringLiteral("%1 %2 %3").arg(what, sheet.heading.year, sheet.heading.semester)) +
        u'.' + extension;
    return FileChooser::instance().saveFileName(&window_, caption, name, filter);
}

QString GroupExportCommands::askFileName(const ElectivesSheet& sheet, FileKind kind) {
    const QString what =
        sheet.wholeFaculty ? QStringLiteral("факультета") : QStringLiteral("группы");
    if (kind == FileKind::Excel) {
        return askFileName(sheet, QStringLiteral("Экспорт %1 в Excel").arg(what),
                           QStringLiteral("xlsx"), QStringLiteral("Книга Excel (*.xlsx)"));
    }
    return askFileName(sheet, QStringLiteral("Экспорт %1 в CSV").arg(what), QStringLiteral("csv"),
                       QStringLiteral("Текст CSV, разделитель «;» (*.csv)"));
}

void GroupExportCommands::save(const QString& fileName, const ElectivesSheet& sheet,
                               FileKind kind) {
    try {
        const BusyCursor busy;
        saveAtomically(fileName, kind == FileKind::Excel ? sheetXlsx(sheet) : sheetCsv(sheet));
    } catch (const Error& error) {
        notify(&window_, error.text(), NoticeIcon::Error);
    }
}

void GroupExportCommands::exportGroup(FileKind kind) {
    if (!settled()) {
        return;
    }
    const std::optional<ElectivesSheet> sheet = readGroupSheet();
    if (!sheet) {
        return;
    }
    const QString fileName = askFileName(*sheet, kind);
    if (!fileName.isEmpty()) {
        save(fileName, *sheet, kind);
    }
}

void GroupExportCommands::printGroup() {
    if (!settled()) {
        return;
    }
    const std::optional<ElectivesSheet> sheet = readGroupSheet();
    if (!sheet) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(
        QStringLiteral("%1 %2 %3")
            .arg(sheet->heading.group, sheet->heading.year, sheet->heading.semester));
    useSheetPageLayout(printer);
    QPrintPreviewDialog preview(&printer, &window_);
    preview.setWindowTitle(QStringLiteral("Печать группы %1").arg(sheet->heading.group));
    preview.resize(1000, 720);
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [&sheet](QPrinter* target) { paintSheet(*sheet, *target); });
    preview.exec();
}

void GroupExportCommands::saveGroupPdf() {
    if (!settled()) {
        return;
    }
    const std::optional<ElectivesSheet> sheet = readGroupSheet();
    if (!sheet) {
        return;
    }
    const QString fileName =
        askFileName(*sheet, QStringLiteral("Сохранить группу в PDF"), QStringLiteral("pdf"),
                    QStringLiteral("Документ PDF (*.pdf)"));
    if (fileName.isEmpty()) {
        return;
    }
    try {
        const BusyCursor busy;
        saveAtomically(fileName, sheetPdf(*sheet));
    } catch (const Error& error) {
        notify(&window_, error.text(), NoticeIcon::Error);
    }
}

void GroupExportCommands::exportFaculty(FileKind kind) {
    if (!settled()) {
        return;
    }
    const auto faculty = window_.DBLookupComboBox1->keyValue();
    const auto year = window_.DBLookupComboBox2->keyValue();
    const auto semester = window_.DBLookupComboBox5->keyValue();
    if (!faculty || !year || !semester) {
        notify(&window_, QStringLiteral("Выберите факультет, учебный год и семестр."));
        return;
    }
    ElectivesSheet sheet;
    sheet.wholeFaculty = true;
    sheet.heading = heading();
    sheet.heading.speciality.clear();
    sheet.heading.group.clear();
    const std::vector<FacultyGroup> groups =
        readFacultyGroups(dm_.ADOCon, window_.UserId, *faculty, *year, *semester);
    if (groups.empty()) {
        notify(&window_, QStringLiteral("На факультете нет групп в этом учебном году и семестре."));
        return;
    }
    // The file is named before the long reading, so that nothing stands between its end and
    // the writing.
    const QString fileName = askFileName(sheet, kind);
    if (fileName.isEmpty()) {
        return;
    }
    const int total = static_cast<int>(groups.size());
    QProgressDialog progress(QStringLiteral("Чтение групп факультета…"), QStringLiteral("Отмена"),
                             0, total + 1, &window_);
    progress.setWindowTitle(QStringLiteral("Экспорт факультета"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setMinimumWidth(420);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.show();
    const auto places = readFacultyPlaces(
        dm_.ADOCon, groups, *year, *semester, [&progress](int done, int all, const QString& group) {
            progress.setLabelText(
                done < all
                    ? QStringLiteral("Группа %1 (%2 из %3)…").arg(group).arg(done + 1).arg(all)
                    : QStringLiteral("Запись файла…"));
            progress.setValue(done);
            // The dialog is drawn and its Cancel button heard between two groups.
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    if (!places) {
        return;  // stopped by the user: nothing is written
    }
    sheet.places = *places;
    save(fileName, sheet, kind);
    progress.setValue(total + 1);
}

}  // namespace zev
