// The tour's picture of "Назначить группе…": the dialog with its preview, then the assignment
// applied and told.
#include "AssignmentChoice.h"
#include "core/Errors.h"
#include "data/DataModule.h"
#include "registration/GroupAssignmentDialog.h"
#include "registration/RegistrationWindow.h"
#include "tour/ModalWatcher.h"
#include "tour/Screenshots.h"
#include "tour/Tour.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <optional>

namespace zev::tour {

namespace {

// Chooses with the keyboard, in each of the dialog's drop-downs, the place, discipline and
// teacher whose first stream gives the most students the assignment; false when no place of the
// group has a stream.
bool chooseMostStudents(GroupAssignmentDialog& dialog) {
    const std::optional<testing::AssignmentChoice> best = testing::mostStudentsChoice(dialog);
    if (!best || best->changes == 0) {
        return false;
    }
    const auto pick = [](QComboBox& box, int entry) {
        box.setFocus();
        box.setCurrentIndex(-1);
        for (int i = 0; i <= entry; ++i) {
            QTest::keyClick(&box, Qt::Key_Down);
        }
    };
    pick(*dialog.PlaceBox, best->place);
    pick(*dialog.DisciplineBox, best->discipline);
    pick(*dialog.TeacherBox, best->teacher);
    pick(*dialog.StreamBox, 0);
    return dialog.AssignButton->isEnabled();
}

}  // namespace

void Tour::assignToGroup() {
    TForm1& f = *form_;
    bool assigned = false;
    onNextModal(QStringLiteral("group assignment dialog"), [this, &assigned](QWidget& modal) {
        auto* dialog = qobject_cast<GroupAssignmentDialog*>(&modal);
        if (dialog == nullptr || !chooseMostStudents(*dialog)) {
            throw Error(QStringLiteral("Ctrl+G offered no place to assign"));
        }
        QApplication::processEvents();
        shots_.save(QStringLiteral("group-assignment-preview"), {form_.get(), dialog});
        // The notice that tells how many students got it.
        onNextModal(QStringLiteral("assignment notice"), [this, &assigned](QWidget& box) {
            auto* notice = qobject_cast<QMessageBox*>(&box);
            if (notice == nullptr || !notice->text().startsWith(QStringLiteral("Назначено"))) {
                throw Error(QStringLiteral("The assignment was not told"));
            }
            assigned = true;
            shots_.save(QStringLiteral("group-assignment-done"), {form_.get(), &box});
            QTest::mouseClick(notice->button(QMessageBox::Ok), Qt::LeftButton);
        });
        QTest::mouseClick(dialog->AssignButton, Qt::LeftButton);
    });
    f.activateWindow();
    f.QFDBGridEh1->setFocus();
    QApplication::processEvents();
    QTest::keyClick(f.QFDBGridEh1, Qt::Key_G, Qt::ControlModifier);
    QApplication::processEvents();
    if (!assigned) {
        throw Error(QStringLiteral("Ctrl+G assigned nothing"));
    }
}

}  // namespace zev::tour
