#include "tour/Tour.h"

#include "DemoProgramFolder.h"
#include "core/Errors.h"
#include "data/DataModule.h"
#include "data/StreamPlaces.h"
#include "registration/HistoryDialog.h"
#include "registration/HistoryRows.h"
#include "registration/NewStreamDialog.h"
#include "registration/RegistrationWindow.h"
#include "registration/StudentSearch.h"
#include "server/engine/Database.h"
#include "signin/ApplicationState.h"
#include "signin/SignInWindow.h"
#include "tour/ModalWatcher.h"
#include "tour/Screenshots.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace zev::tour {

namespace {

// Data columns of the electives grid, in display order (hidden ones included).
constexpr int kDisciplineColumn = 0;
constexpr int kYearColumn = 2;
constexpr int kTeacherColumn = 4;
constexpr int kStreamColumn = 5;

// The tour's choices: the example of the demo database's notes (server/README.md).
const QString kLogin = QStringLiteral("ivanova");
const QString kFaculty = QStringLiteral("Факультет информационных технологий");
const QString kForm = QStringLiteral("Очная");
const QString kSpeciality = QStringLiteral("09.03.01 Информатика и вычислительная техника");
const QString kYear = QStringLiteral("2024/2025");
const QString kSemester = QStringLiteral("3 семестр");
const QString kGroup = QStringLiteral("ИВТ-24");
const QString kNewStream = QStringLiteral("17");
const QString kNewStreamPlaces = QStringLiteral("30");

// The texts of a list's field, in view order.
QStringList column(Dataset& list, const QString& field) {
    QStringList texts;
    for (int row = 0; row < list.recordCount(); ++row) {
        const Dataset::DisplayRow shown(list, row);
        texts << list.fieldByName(field).text();
    }
    return texts;
}

void settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

QString fieldText(const Dataset& dataSet, const QString& name) {
    return dataSet.fieldByName(name).text();
}

// Presses a message box's button, or the dialog's own, as the user would.
void press(QAbstractButton* button, const QString& what) {
    if (button == nullptr) {
        std::fprintf(stderr, "zev-tour: no %s button\n", qPrintable(what));
        std::_Exit(EXIT_FAILURE);
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

// A button of a message box; nullptr when the window is no message box or lacks it.
QAbstractButton* boxButton(QWidget& box, QMessageBox::StandardButton which) {
    auto* messageBox = qobject_cast<QMessageBox*>(&box);
    return messageBox != nullptr ? messageBox->button(which) : nullptr;
}

// Chooses an entry of a cell's open list with the keyboard: the entry highlighted, then Enter.
void chooseInOpenCellList(QComboBox& list, int entry) {
    QAbstractItemView& view = *list.view();
    view.setCurrentIndex(view.model()->index(entry, 0));
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    if (list.view()->isVisible() || list.currentIndex() != entry) {
        throw Error(QStringLiteral("The cell's list did not take the entry %1").arg(entry));
    }
}

}  // namespace

Tour::Tour(Screenshots& shots, const testing::DemoProgramFolder& program)
    : shots_(shots), program_(program) {}

Tour::~Tour() {
    form_.reset();  // the window goes before the data module whose datasets it shows
    dm_.reset();
}

void Tour::run() {
    dm_ = std::make_unique<TDM_MB>();
    signIn();
    cascade();
    chooseStudent();
    disciplineList();
    streamButtonNotice();
    newStreamDialog();
    postWithoutStream();
    deleteTwoRows();
    chosenDepartment();
    history();
    findStudent();
    exportAndPrint();
    assignToGroup();
}

void Tour::signIn() {
    const QString password = program_.passwordOf(kLogin);
    onNextModal(QStringLiteral("sign-in"), [this, password](QWidget&) {
        TForm8& window = *Form8;
        QTest::keyClicks(window.Login_Edit, kLogin);
        QTest::keyClicks(window.Password_Edit, password);
        shots_.save(QStringLiteral("signin"), {&window});

        // The lower half, where a new password is typed twice.
        QTest::mouseClick(window.SpeedButton3, Qt::LeftButton);
        QTest::keyClicks(window.Edit1, QStringLiteral("new_pass1"));
        shots_.save(QStringLiteral("signin-password-change"), {&window});
        window.Edit1->clear();
        QTest::mouseClick(window.SpeedButton3, Qt::LeftButton);

        QTest::mouseClick(window.SpeedButton2, Qt::LeftButton);
        if (Form8 != nullptr && window.isVisible()) {
            std::fprintf(stderr, "zev-tour: the sign-in failed: %s\n",
                         qPrintable(window.RzLabel1->caption()));
            window.reject();
        }
    });
    form_ = std::make_unique<TForm1>();
    if (ApplicationState::terminated() || !ApplicationState::showMainForm()) {
        throw Error(QStringLiteral("The sign-in did not open the registration window"));
    }
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get())) {
        throw Error(QStringLiteral("The registration window was not shown"));
    }
    form_->activateWindow();
    settle();
    shots_.save(QStringLiteral("registration-window"), {form_.get()});
}

void Tour::chooseFromOpenList(DBLookupComboBox& box, const QString& entry, const QString& shot) {
    settle();
    if (!box.listVisible()) {
        throw Error(QStringLiteral("The list of %1 is not open").arg(shot));
    }
    QListWidget& list = *box.listWidget();
    int row = entry.isEmpty() ? 0 : -1;
    for (int i = 0; i < list.count() && row < 0; ++i) {
        if (list.item(i)->text().contains(entry)) {
            row = i;
        }
    }
    if (row < 0 || row >= list.count()) {
        throw Error(QStringLiteral("The list of %1 has no entry \"%2\"").arg(shot, entry));
    }
    list.setCurrentRow(row);
    list.scrollToItem(list.item(row));
    shots_.save(shot, {form_.get(), list.window()});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(row)).center());
    settle();
}

void Tour::cascade() {
    TForm1& f = *form_;
    QTest::mouseClick(f.DBLookupComboBox1, Qt::LeftButton);
    chooseFromOpenList(*f.DBLookupComboBox1, kFaculty, QStringLiteral("faculty-list"));
    // Each choice opens the next list by itself.
    chooseFromOpenList(*f.DBLookupComboBox7, kForm, QStringLiteral("form-of-education-list"));
    chooseFromOpenList(*f.DBLookupComboBox4, kSpeciality, QStringLiteral("field-of-study-list"));
    chooseFromOpenList(*f.DBLookupComboBox2, kYear, QStringLiteral("academic-year-list"));
    chooseFromOpenList(*f.DBLookupComboBox5, kSemester, QStringLiteral("semester-list"));
    chooseFromOpenList(*f.DBLookupComboBox3, kGroup, QStringLiteral("group-list"));
}

void Tour::chooseStudent() {
    // The group's first student (the lowest key) has a chosen row without a stream; the list
    // shows the students by name.
    const Dataset& students = *dm_->ADOQ_Students;
    QString name;
    qint64 first = 0;
    for (int row = 0; row < students.recordCount(); ++row) {
        Dataset::DisplayRow display(students, row);
        const qint64 key = fieldText(students, QStringLiteral("id_student")).toLongLong();
        if (name.isEmpty() || key < first) {
            first = key;
            name = fieldText(students, QStringLiteral("s_fio"));
        }
    }
    chooseFromOpenList(*form_->DBLookupComboBox6, name, QStringLiteral("student-list"));
    if (dm_->ADOQ_SelectDisciplineForStudent->isEmpty()) {
        throw Error(QStringLiteral("The chosen student has no electives"));
    }
    shots_.save(QStringLiteral("student-chosen"), {form_.get()});
}

int Tour::findRow(const QString& what, const std::function<bool()>& predicate) {
    const Dataset& electives = *dm_->ADOQ_SelectDisciplineForStudent;
    for (int row = 0; row < electives.recordCount(); ++row) {
        Dataset::DisplayRow display(electives, row);
        if (predicate()) {
            return row;
        }
    }
    throw Error(QStringLiteral("The student has no row %1").arg(what));
}

void Tour::clickCell(int row, int dataColumn) {
    TQFDBGridEh& grid = *form_->QFDBGridEh1;
    grid.setFocus();
    // The window allows editing only once a column has been entered, so the row is entered
    // through a neighbouring cell first, as a user arriving from elsewhere does.
    const int neighbour = dataColumn == kDisciplineColumn ? kYearColumn : kDisciplineColumn;
    for (const int column : {neighbour, dataColumn}) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.cellRect(row, column).center());
        settle();
    }
    if (grid.currentRowIndex() != row || grid.currentDataColumn() != dataColumn) {
        throw Error(
            QStringLiteral("The click did not reach the cell %1, %2").arg(row).arg(dataColumn));
    }
}

QComboBox& Tour::cellDropDown() {
    settle();
    TQFDBGridEh& grid = *form_->QFDBGridEh1;
    if (grid.cellEditor() == nullptr) {
        // The editor is not shown yet: a click on the current cell opens it.
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                          grid.cellRect(grid.currentRowIndex(), grid.currentDataColumn()).center());
        settle();
    }
    auto* editor = qobject_cast<QComboBox*>(grid.cellEditor());
    if (editor == nullptr) {
        throw Error(QStringLiteral("The cell shows no drop-down"));
    }
    return *editor;
}

void Tour::disciplineList() {
    const Dataset& e = *dm_->ADOQ_SelectDisciplineForStudent;
    // A free place of a group of alternatives (two rows of one group, painted as duplicates):
    // its list offers the group's disciplines.
    std::map<QString, int> placesOfGroup;
    for (int i = 0; i < e.recordCount(); ++i) {
        Dataset::DisplayRow display(e, i);
        ++placesOfGroup[fieldText(e, QStringLiteral("descGroupNum"))];
    }
    const int row = findRow(QStringLiteral("with a choice of disciplines"), [&] {
        return fieldText(e, QStringLiteral("p34")).isEmpty() &&
               placesOfGroup[fieldText(e, QStringLiteral("descGroupNum"))] > 1;
    });
    clickCell(row, kDisciplineColumn);
    QComboBox& list = cellDropDown();
    list.showPopup();
    settle();
    shots_.save(QStringLiteral("discipline-list"), {form_.get(), list.view()->window()});
    list.hidePopup();
    QTest::keyClick(&list, Qt::Key_Escape);
    settle();
}

void Tour::streamButtonNotice() {
    // On a row of the chosen year and semester the stream button only explains itself.
    const Dataset& e = *dm_->ADOQ_SelectDisciplineForStudent;
    const QString year = form_->DBLookupComboBox2->keyText();
    const QString semester = form_->DBLookupComboBox5->keyText();
    const int row = findRow(QStringLiteral("of the chosen year and semester"), [&] {
        return !fieldText(e, QStringLiteral("id_discipline")).isEmpty() &&
               !fieldText(e, QStringLiteral("id_teacher")).isEmpty() &&
               fieldText(e, QStringLiteral("id_a_year")) == year &&
               fieldText(e, QStringLiteral("id_semester")) == semester;
    });
    clickCell(row, kStreamColumn);
    onNextModal(QStringLiteral("stream button notice"), [this](QWidget& box) {
        shots_.save(QStringLiteral("stream-button-notice"), {form_.get(), &box});
        press(boxButton(box, QMessageBox::Ok), QStringLiteral("OK"));
    });
    TQFDBGridEh& grid = *form_->QFDBGridEh1;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.editButtonRect(row, kStreamColumn).center());
    settle();
}

void Tour::newStreamDialog() {
    // A row taken in another year or semester: the stream button opens the new-stream dialog.
    const Dataset& e = *dm_->ADOQ_SelectDisciplineForStudent;
    const QString year = form_->DBLookupComboBox2->keyText();
    const QString semester = form_->DBLookupComboBox5->keyText();
    const int row = findRow(QStringLiteral("taken in another year or semester"), [&] {
        return !fieldText(e, QStringLiteral("id_discipline")).isEmpty() &&
               !fieldText(e, QStringLiteral("id_teacher")).isEmpty() &&
               (fieldText(e, QStringLiteral("id_a_year")) != year ||
                fieldText(e, QStringLiteral("id_semester")) != semester);
    });
    clickCell(row, kStreamColumn);
    onNextModal(QStringLiteral("new-stream dialog"), [this](QWidget& modal) {
        auto& dialog = dynamic_cast<TForm2&>(modal);
        QTest::keyClicks(dialog.LabeledEdit1, kNewStream);
        QTest::keyClicks(dialog.LabeledEdit2, kNewStreamPlaces);
        shots_.save(QStringLiteral("new-stream-dialog"), {form_.get(), &dialog});
        press(dialog.SpeedButton2, QStringLiteral("Добавить"));
    });
    TQFDBGridEh& grid = *form_->QFDBGridEh1;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.editButtonRect(row, kStreamColumn).center());
    settle();

    // The new stream is in the row's list at once.
    clickCell(row, kStreamColumn);
    QComboBox& streams = cellDropDown();
    streams.showPopup();
    settle();
    shots_.save(QStringLiteral("new-stream-in-list"), {form_.get(), streams.view()->window()});
    const int entry = streams.findText(kNewStream);
    if (entry < 0) {
        throw Error(QStringLiteral("The new stream is not in the row's list"));
    }
    chooseInOpenCellList(streams, entry);
    // Leaving the row posts it with the new stream.
    clickCell(row == 0 ? 1 : 0, kDisciplineColumn);
    if (e.state() != DatasetState::Browse) {
        throw Error(QStringLiteral("The row with the new stream was not posted"));
    }
    shots_.save(QStringLiteral("new-stream-chosen"), {form_.get()});
    fullStreamRefused(row);
}

void Tour::fullStreamRefused(int row) {
    // The administrator limits another stream of the row to the places already taken in it
    // (there is no window for that); choosing it then is refused.
    Dataset& e = *dm_->ADOQ_SelectDisciplineForStudent;
    clickCell(row, kStreamColumn);
    QString full;
    {
        Dataset::DisplayRow shown(e, row);
        const Value semester = e.fieldByName(QStringLiteral("id_semester")).value();
        const Value ws = dm_->ADOQ_Semester2->lookup(QStringLiteral("id_semester"), semester,
                                                     QStringLiteral("id_w_s"));
        const StreamPlaces places = readStreamPlaces(
            *dm_->ADOQ_StreamPlaces, e.fieldByName(QStringLiteral("id_discipline")).value(),
            e.fieldByName(QStringLiteral("id_teacher")).value(),
            e.fieldByName(QStringLiteral("id_a_year")).value(), ws);
        for (const QString& number : column(*dm_->ADOQ_SubGroup, QStringLiteral("subgroup"))) {
            const StreamPlace place = places.of(Value{number.toLongLong()});
            if (number != kNewStream && place.taken > 0) {
                full = number;
                server::Database admin(program_.database().databaseFile,
                                       server::Database::Mode::ReadWrite);
                admin.execute(QStringLiteral("UPDATE RRNKkrdt SET capacity = ? WHERE subgroup = ? "
                                             "AND id_discipline = ? AND id_teacher = ? AND "
                                             "id_a_year = ? AND id_w_s = ?"),
                              {Value{place.taken}, Value{number.toLongLong()},
                               e.fieldByName(QStringLiteral("id_discipline")).value(),
                               e.fieldByName(QStringLiteral("id_teacher")).value(),
                               e.fieldByName(QStringLiteral("id_a_year")).value(), ws});
                break;
            }
        }
    }
    if (full.isEmpty()) {
        throw Error(QStringLiteral("The row's list has no stream with places taken"));
    }
    clickCell(row, kDisciplineColumn);
    clickCell(row, kStreamColumn);
    QComboBox& streams = cellDropDown();
    streams.showPopup();
    settle();
    const int entry = streams.findText(full);
    if (entry < 0) {
        throw Error(QStringLiteral("The full stream is not in the row's list"));
    }
    bool refused = false;
    onNextModal(QStringLiteral("full stream notice"), [this, &refused](QWidget& box) {
        refused = true;
        shots_.save(QStringLiteral("full-stream-refused"), {form_.get(), &box});
        press(boxButton(box, QMessageBox::Ok), QStringLiteral("OK"));
    });
    QAbstractItemView& view = *streams.view();
    view.setCurrentIndex(view.model()->index(entry, 0));
    shots_.save(QStringLiteral("full-stream-in-list"), {form_.get(), streams.view()->window()});
    QTest::keyClick(&view, Qt::Key_Return);
    settle();
    if (!refused || fieldText(e, QStringLiteral("subgroup")) != kNewStream) {
        throw Error(QStringLiteral("Choosing the full stream %1 was not refused").arg(full));
    }
}

void Tour::postWithoutStream() {
    // A chosen discipline without a stream: another teacher, then leaving the row, posts it.
    Dataset& e = *dm_->ADOQ_SelectDisciplineForStudent;
    const int row = findRow(QStringLiteral("without a stream"), [&] {
        return !fieldText(e, QStringLiteral("id_discipline")).isEmpty() &&
               fieldText(e, QStringLiteral("subgroup")).isEmpty();
    });
    clickCell(row, kTeacherColumn);
    QComboBox& teachers = cellDropDown();
    teachers.showPopup();
    settle();
    const int current = std::max(teachers.currentIndex(), 0);
    const int other = teachers.count() > 1 ? (current + 1) % teachers.count() : current;
    chooseInOpenCellList(teachers, other);

    onNextModal(QStringLiteral("no stream notice"), [this](QWidget& box) {
        shots_.save(QStringLiteral("no-stream-notice"), {form_.get(), &box});
        press(boxButton(box, QMessageBox::Ok), QStringLiteral("OK"));
    });
    const int below = row + 1 < e.recordCount() ? row + 1 : row - 1;
    TQFDBGridEh& grid = *form_->QFDBGridEh1;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.cellRect(below, kDisciplineColumn).center());
    settle();
    shots_.save(QStringLiteral("row-stays-in-edit"), {form_.get()});
    discardQuestion();
    // Escape gives the row up and leaves the grid as it was.
    QWidget* editor = grid.cellEditor();
    QTest::keyClick(editor ? editor : static_cast<QWidget*>(&grid), Qt::Key_Escape);
    settle();
    if (e.state() != DatasetState::Browse) {
        QTest::keyClick(&grid, Qt::Key_Escape);
        settle();
    }
}

void Tour::discardQuestion() {
    // Another student while the row waits for its stream: the post is tried again, and then the
    // user is asked whether to give the row up. "No" keeps the row and the student.
    DBLookupComboBox& students = *form_->DBLookupComboBox6;
    const QString student = students.keyText();
    const Dataset& e = *dm_->ADOQ_SelectDisciplineForStudent;
    onNextModal(QStringLiteral("no stream notice again"), [this](QWidget& box) {
        onNextModal(QStringLiteral("discard question"), [this](QWidget& question) {
            shots_.save(QStringLiteral("discard-question"), {form_.get(), &question});
            press(boxButton(question, QMessageBox::No), QStringLiteral("No"));
        });
        press(boxButton(box, QMessageBox::Ok), QStringLiteral("OK"));
    });
    students.dropDown();
    settle();
    QListWidget& list = *students.listWidget();
    const int other = list.currentRow() == 0 ? 1 : 0;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(other)).center());
    settle();
    if (students.keyText() != student || e.state() != DatasetState::Edit) {
        throw Error(QStringLiteral("The choice of another student dropped the pending row"));
    }
}

void Tour::deleteTwoRows() {
    TQFDBGridEh& grid = *form_->QFDBGridEh1;
    Dataset& e = *dm_->ADOQ_SelectDisciplineForStudent;
    const int rows = e.recordCount();
    if (rows < 2) {
        throw Error(QStringLiteral("Fewer than two rows to delete"));
    }
    // Ctrl+click marks the last two rows, as the user marks them.
    for (const int row : {rows - 2, rows - 1}) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          grid.cellRect(row, kDisciplineColumn).center());
        settle();
    }
    if (grid.selectedRows().count() != 2) {
        throw Error(QStringLiteral("%1 rows marked instead of 2").arg(grid.selectedRows().count()));
    }
    onNextModal(QStringLiteral("delete question"), [this](QWidget& box) {
        shots_.save(QStringLiteral("delete-question"), {form_.get(), &box});
        press(boxButton(box, QMessageBox::Yes), QStringLiteral("Yes"));
    });
    QWidget* editor = grid.cellEditor();
    QTest::keyClick(editor ? editor : static_cast<QWidget*>(&grid), Qt::Key_Delete,
                    Qt::ControlModifier);
    settle();
    if (e.recordCount() != rows - 2) {
        throw Error(
            QStringLiteral("Ctrl+Delete left %1 of %2 rows").arg(e.recordCount()).arg(rows));
    }
    shots_.save(QStringLiteral("two-rows-deleted"), {form_.get()});
}

void Tour::chosenDepartment() {
    // A new row of the chosen-disciplines grid: its department narrows the discipline and
    // teacher lists, and the other rows keep their names.
    DBGridEh& grid = *form_->DBGridEh1;
    Dataset& chosen = *dm_->ADOQ_disciplineForStudent2;
    const int rows = chosen.recordCount();
    if (rows == 0) {
        throw Error(QStringLiteral("The student has no chosen disciplines"));
    }
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.cellRect(rows - 1, 0).center());
    settle();
    QTest::keyClick(&grid, Qt::Key_Down);  // below the last row: a new row
    settle();
    if (chosen.state() != DatasetState::Insert) {
        throw Error(QStringLiteral("No new row in the chosen-disciplines grid"));
    }
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.cellRect(rows, 0).center());
    settle();
    auto* departments = qobject_cast<QComboBox*>(grid.cellEditor());
    if (departments == nullptr) {
        throw Error(QStringLiteral("The department cell shows no drop-down"));
    }
    // A department that none of the rows is of.
    std::map<QString, bool> used;
    for (int row = 0; row < rows; ++row) {
        Dataset::DisplayRow display(chosen, row);
        used[fieldText(chosen, QStringLiteral("Kafedra"))] = true;
    }
    int entry = -1;
    for (int i = 0; i < departments->count() && entry < 0; ++i) {
        if (!used[departments->itemText(i)]) {
            entry = i;
        }
    }
    departments->showPopup();
    settle();
    chooseInOpenCellList(*departments, std::max(entry, 0));
    for (int row = 0; row < rows; ++row) {
        Dataset::DisplayRow display(chosen, row);
        if (fieldText(chosen, QStringLiteral("Discipline")).isEmpty() &&
            !fieldText(chosen, QStringLiteral("id_discipline")).isEmpty() &&
            grid.model()->index(row, 2).data().toString().isEmpty()) {
            throw Error(QStringLiteral("Row %1 lost its discipline").arg(row));
        }
    }
    shots_.save(QStringLiteral("chosen-after-department"), {form_.get()});
}

void Tour::history() {
    // The new row of the step before is given up; the first chosen discipline takes another
    // stream, posted by moving to the next row.
    Dataset& chosen = *dm_->ADOQ_disciplineForStudent2;
    if (chosen.state() == DatasetState::Insert) {
        chosen.cancel();
        settle();
    }
    DBGridEh& grid = *form_->DBGridEh1;
    if (chosen.recordCount() < 2) {
        throw Error(QStringLiteral("The student has fewer than two chosen disciplines"));
    }
    const QPoint streamCell = grid.cellRect(0, 3).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, streamCell);
    settle();
    if (grid.cellEditor() == nullptr) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, streamCell);
        settle();
    }
    auto* streams = qobject_cast<QComboBox*>(grid.cellEditor());
    if (streams == nullptr || streams->count() < 2) {
        throw Error(QStringLiteral("The stream cell shows no list of streams"));
    }
    const QString before = fieldText(chosen, QStringLiteral("subgroup"));
    streams->showPopup();
    settle();
    chooseInOpenCellList(*streams, streams->currentIndex() == 0 ? 1 : 0);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.cellRect(1, 0).center());
    settle();
    if (chosen.state() != DatasetState::Browse) {
        throw Error(QStringLiteral("The changed stream was not posted"));
    }
    // Ctrl+Shift+H: the student's history, the change just made on top.
    onNextModal(QStringLiteral("history dialog"), [this, before](QWidget& dialog) {
        auto* history = qobject_cast<HistoryDialog*>(&dialog);
        if (history == nullptr || history->rows().isEmpty() ||
            fieldText(history->rows(), QStringLiteral("Что")) != QStringLiteral("Поток") ||
            fieldText(history->rows(), QStringLiteral("Было")) != before) {
            std::fprintf(stderr, "zev-tour: the history does not begin with the stream changed\n");
            std::_Exit(EXIT_FAILURE);
        }
        shots_.save(QStringLiteral("history-dialog"), {form_.get(), &dialog});
        QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_Escape);
    });
    form_->activateWindow();
    grid.setFocus();
    settle();
    const qsizetype pictures = shots_.saved().size();
    QTest::keyClick(&grid, Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    if (shots_.saved().size() == pictures) {
        throw Error(QStringLiteral("Ctrl+Shift+H did not open the student's history"));
    }
}

void Tour::findStudent() {
    // The pending row of the step before is left behind first.
    Dataset& chosen = *dm_->ADOQ_disciplineForStudent2;
    if (chosen.state() == DatasetState::Insert) {
        chosen.cancel();
    }
    // Ctrl+K from anywhere in the window (here the electives grid), then part of a surname in
    // another letter case.
    TForm1& f = *form_;
    f.activateWindow();
    f.QFDBGridEh1->setFocus();
    settle();
    QTest::keyClick(&f, Qt::Key_K, Qt::ControlModifier);
    settle();
    StudentSearch& search = *f.StudentSearch1;
    if (!search.edit()->hasFocus()) {
        throw Error(QStringLiteral("Ctrl+K did not reach the search field"));
    }
    for (const QChar c : QStringLiteral("федор")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(search.edit(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(search.edit(), &release);
    }
    settle();
    if (!search.listShown() || search.results().size() < 2) {
        throw Error(QStringLiteral("The search lists no students"));
    }
    QTest::keyClick(search.edit(), Qt::Key_Down);
    shots_.save(QStringLiteral("find-student-list"), {form_.get()});
    const FoundStudent wanted = search.results()[1];
    QTest::keyClick(search.edit(), Qt::Key_Return);
    settle();
    if (f.DBLookupComboBox6->keyValue() != wanted.student ||
        f.DBLookupComboBox3->keyValue() != wanted.group) {
        throw Error(QStringLiteral("The student found was not chosen"));
    }
    shots_.save(QStringLiteral("find-student-chosen"), {form_.get()});
}

}  // namespace zev::tour
