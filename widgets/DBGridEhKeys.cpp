// The grid's keyboard: the key mapping for onKeyDown, moving, appending, inserting, deleting,
// finding.

#include "widgets/DBGridEh.h"

#include "widgets/DBGridEhSteps.h"
#include "widgets/DBGridModel.h"
#include "widgets/GridFindDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScopedValueRollback>

#include <algorithm>

namespace zev {

using namespace gridsteps;

// --- keyboard

quint16 DBGridEh::virtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<quint16>(qtKey);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return static_cast<quint16>(112 + (qtKey - Qt::Key_F1));
    }
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        default:
            return 0;
    }
}

bool DBGridEh::notifyKeyDown(QKeyEvent* event) {
    // A key that opens the cell editor reaches the editor too: the callback has seen it.
    if (!onKeyDown || event == keyInHand_) {
        return true;
    }
    quint16 key = virtualKeyOf(event->key());
    if (key == 0) {
        return true;
    }
    guarded([&] { onKeyDown(*this, key, event->modifiers()); });
    return key != 0;
}

void DBGridEh::keyPressEvent(QKeyEvent* event) {
    handleKey(event);
}

void DBGridEh::handleKey(QKeyEvent* event) {
    if (!notifyKeyDown(event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    const bool shift = mods.testFlag(Qt::ShiftModifier);
    const int row = currentRowIndex();
    event->accept();
    if (ctrl && event->key() == Qt::Key_F) {
        showFindDialog();
        return;
    }
    if (ctrl && event->key() == Qt::Key_Delete) {
        deleteCurrentRow();
        return;
    }
    if (ctrl && event->key() == Qt::Key_A && editActions_.testFlag(GridEditAction::SelectAll) &&
        options_.testFlag(GridOption::MultiSelect)) {
        guarded([this] { selectedRows_.selectAll(); });
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        // The grid copies a cell only when copying is one of its own edit actions; otherwise the
        // key must not reach the table view underneath, whose own copy would replace whatever
        // the user holds on the clipboard.
        if (editActions_.testFlag(GridEditAction::Copy) && row >= 0) {
            if (QClipboard* clipboard = QGuiApplication::clipboard()) {
                clipboard->setText(model_->cellText(row, currentDataColumn()));
            }
        }
        return;
    }
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (ctrl) {
                break;
            }
            if (options_.testFlag(GridOption::Tabs)) {
                moveByTab(event->key() == Qt::Key_Backtab || shift);
            } else {
                focusNextPrevChild(!(event->key() == Qt::Key_Backtab || shift));
            }
            return;
        case Qt::Key_Down:
            if (!ctrl && row >= 0 && row == model_->rowCount() - 1) {
                appendBelowLast();
                return;
            }
            if (shift && options_.testFlag(GridOption::MultiSelect) && row >= 0) {
                QTableView::keyPressEvent(event);
                selectRowRange(row, currentRowIndex());
                return;
            }
            break;
        case Qt::Key_Up:
            if (shift && options_.testFlag(GridOption::MultiSelect) && row >= 0) {
                QTableView::keyPressEvent(event);
                selectRowRange(row, currentRowIndex());
                return;
            }
            break;
        case Qt::Key_Insert:
            if (mods == Qt::NoModifier) {
                insertRow();
                return;
            }
            break;
        case Qt::Key_Escape:
            cancelEdits();
            return;
        default:
            break;
    }
    QScopedValueRollback<const QKeyEvent*> inHand(keyInHand_, event);
    QTableView::keyPressEvent(event);
}

void DBGridEh::moveByTab(bool backwards) {
    const int row = currentRowIndex();
    const int dataCol = currentDataColumn();
    if (row < 0 || dataCol < 0) {
        return;
    }
    const int step = backwards ? -1 : 1;
    for (int c = dataCol + step; c >= 0 && c < columnCount(); c += step) {
        if (column(c).visible) {
            setCurrentIndex(model_->index(row, c + 1));
            return;
        }
    }
    // Past the last column: the first column of the next row (or the last of the previous).
    const int nextRow = row + step;
    if (nextRow < 0 || nextRow >= model_->rowCount()) {
        return;
    }
    for (int c = backwards ? columnCount() - 1 : 0; c >= 0 && c < columnCount(); c += step) {
        if (column(c).visible) {
            setCurrentIndex(model_->index(nextRow, c + 1));
            return;
        }
    }
}

void DBGridEh::appendBelowLast() {
    Dataset* ds = dataset();
    if (ds == nullptr || !ds->isOpen() || !options_.testFlag(GridOption::Editing) ||
        !allowedOperations_.testFlag(AllowedOperation::Append)) {
        return;
    }
    if (ds->state() == DatasetState::Insert && !ds->modified()) {
        return;  // already on a new, untouched row
    }
    if (QWidget* editor = cellEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    if (!leaveEditedRow(nullptr)) {
        return;
    }
    // The dataset's own rules may refuse the new row (a silent abort shows nothing).
    attempt([ds] { ds->append(); });
    syncCurrentFromDataset();
    showEditorIfAlways();
}

void DBGridEh::insertRow() {
    Dataset* ds = dataset();
    if (ds == nullptr || !ds->isOpen() || !options_.testFlag(GridOption::Editing) ||
        !allowedOperations_.testFlag(AllowedOperation::Insert)) {
        return;
    }
    if (!leaveEditedRow(nullptr)) {
        return;
    }
    attempt([ds] { ds->insert(); });
    syncCurrentFromDataset();
}

void DBGridEh::deleteCurrentRow() {
    Dataset* ds = dataset();
    if (ds == nullptr || !ds->isOpen() || ds->isEmpty() ||
        !options_.testFlag(GridOption::Editing) ||
        !allowedOperations_.testFlag(AllowedOperation::Delete)) {
        return;
    }
    if (options_.testFlag(GridOption::ConfirmDelete) &&
        !Notices::instance().askYesNo(this, QStringLiteral("Удалить запись?"),
                                      QStringLiteral("Подтверждение"))) {
        return;
    }
    attempt([ds] { ds->remove(); });
}

void DBGridEh::cancelEdits() {
    Dataset* ds = dataset();
    if (editing(ds)) {
        attempt([ds] { ds->cancel(); });
    }
}

// --- find

void DBGridEh::showFindDialog() {
    if (findDialog_ == nullptr) {
        findDialog_ = new GridFindDialog(*this);
    }
    findDialog_->show();
    findDialog_->raise();
    findDialog_->activateWindow();
}

bool DBGridEh::findNext(const QString& text) {
    const int rows = model_->rowCount();
    std::vector<int> visible;
    for (int c = 0; c < columnCount(); ++c) {
        if (column(c).visible) {
            visible.push_back(c);
        }
    }
    if (rows == 0 || visible.empty() || text.isEmpty()) {
        return false;
    }
    const int cols = static_cast<int>(visible.size());
    const int startRow = std::max(currentRowIndex(), 0);
    const auto startCol = std::find(visible.begin(), visible.end(), currentDataColumn());
    const int startPos =
        startCol == visible.end() ? -1 : static_cast<int>(startCol - visible.begin());
    const int cells = rows * cols;
    for (int step = 1; step <= cells; ++step) {
        const int pos = (startRow * cols + startPos + step) % cells;
        const int r = pos / cols;
        const int c = visible[static_cast<std::size_t>(pos % cols)];
        if (model_->cellText(r, c).contains(text, Qt::CaseInsensitive)) {
            setCurrentIndex(model_->index(r, c + 1));
            return currentRowIndex() == r;
        }
    }
    return false;
}

}  // namespace zev
