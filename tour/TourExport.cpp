// The tour's pictures of the menu "Группа": the menu open, the group's printed sheet in the print
// preview, and the faculty's export under its progress dialog.
#include "DemoProgramFolder.h"
#include "core/Errors.h"
#include "registration/GroupExportCommands.h"
#include "registration/RegistrationWindow.h"
#include "tour/ModalWatcher.h"
#include "tour/Screenshots.h"
#include "tour/Tour.h"
#include "widgets/FileChooser.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <utility>

namespace zev::tour {

namespace {

// Names every file to save after the dialog's suggestion, in the program folder.
class FolderChooser final : public FileChooser {
public:
    explicit FolderChooser(QString folder) : folder_(std::move(folder)) {}
    QString saveFileName(QWidget*, const QString&, const QString& suggestedName,
                         const QString&) override {
        last = folder_ + u'/' + suggestedName;
        return last;
    }
    QString last;

private:
    QString folder_;
};

}  // namespace

void Tour::exportAndPrint() {
    TForm1& f = *form_;
    FolderChooser chooser(program_.path());
    FileChooser::install(&chooser);
    struct Restore {
        ~Restore() { FileChooser::install(nullptr); }
    } restore;

    // The menu "Группа", opened with the mouse.
    f.activateWindow();
    QApplication::processEvents();
    QMenuBar& bar = *f.menuBar();
    QAction* groupMenu = bar.actions().value(0);
    if (groupMenu == nullptr || groupMenu->menu() == nullptr) {
        throw Error(QStringLiteral("The window has no menu \"Группа\""));
    }
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.actionGeometry(groupMenu).center());
    QApplication::processEvents();
    QMenu& menu = *groupMenu->menu();
    if (!menu.isVisible()) {
        throw Error(QStringLiteral("The menu \"Группа\" did not open"));
    }
    menu.setActiveAction(f.GroupExport1->PrintAction);
    shots_.save(QStringLiteral("group-menu"), {form_.get(), &menu});
    QTest::keyClick(&menu, Qt::Key_Escape);
    QApplication::processEvents();

    // Ctrl+P: the group's sheet in the print preview.
    onNextModal(QStringLiteral("print preview"), [this](QWidget& preview) {
        if (qobject_cast<QPrintPreviewDialog*>(&preview) == nullptr) {
            throw Error(QStringLiteral("Ctrl+P opened no print preview"));
        }
        shots_.save(QStringLiteral("print-preview"), {&preview});
        preview.close();
    });
    f.activateWindow();
    QTest::keyClick(&f, Qt::Key_P, Qt::ControlModifier);
    QApplication::processEvents();

    // The faculty's groups into a workbook, pictured while the first group is read.
    bool pictured = false;
    QTimer::singleShot(0, [this, &f, &pictured] {
        if (auto* progress = f.findChild<QProgressDialog*>()) {
            shots_.save(QStringLiteral("faculty-export-progress"), {form_.get(), progress});
            pictured = true;
        }
    });
    f.GroupExport1->FacultyExcelAction->trigger();
    if (!pictured || chooser.last.isEmpty() || !QFileInfo(chooser.last).size()) {
        throw Error(QStringLiteral("The faculty's export wrote no workbook"));
    }
}

}  // namespace zev::tour
