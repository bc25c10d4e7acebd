// The grid's current cell and the dataset's current row, kept in step; posting the row left and
// committing what the cell editors hand back.

#include "widgets/DBGridEh.h"

#include "widgets/DBGridDelegate.h"
#include "widgets/DBGridEhSteps.h"
#include "widgets/DBGridModel.h"

#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>

namespace zev {

using namespace gridsteps;

// --- current row and column
//
// Two cursors point at "the current row": Qt's current index in the view and the dataset's record
// number. Either can move first, and each move must drag the other along exactly once:
//
//  - The user moves the cell (click, arrow, Tab): Qt calls currentChanged(). Leaving the cell
//    commits its editor (leavingCell_ is set meanwhile: the commit may put the row in edit state,
//    and the grid must not follow the dataset back to it); leaving the column runs onColExit with
//    that column still reported current (leftColumn_); leaving the row posts or drops the row left
//    (leaveEditedRow) and moves the dataset (moveDatasetTo). A row that cannot be posted keeps
//    the grid where it was. Entering a column runs onColEnter.
//  - The dataset moves by itself (code, a locate, a re-read): the model reports it and
//    syncCurrentFromDataset() sets Qt's current index to match, under syncing_, so that this
//    move neither posts, nor moves the dataset again, nor fires the column events.
//
// syncing_, leavingCell_ and leftColumn_ are set only here, only through QScopedValueRollback,
// so they always fall back when the step that set them ends, even by an exception.

int DBGridEh::currentRowIndex() const {
    return model_->currentRow();
}

int DBGridEh::currentDataColumn() const {
    if (leftColumn_ >= 0) {
        return leftColumn_;
    }
    const QModelIndex current = currentIndex();
    return current.isValid() && current.column() > 0 ? current.column() - 1 : -1;
}

void DBGridEh::setCurrentDataColumn(int dataCol) {
    const int row = std::max(currentRowIndex(), 0);
    if (dataCol >= 0 && dataCol < columnCount() && row < model_->rowCount()) {
        setCurrentIndex(model_->index(row, dataCol + 1));
    }
}

QWidget* DBGridEh::cellEditor() const {
    // The view leaves the editing state whenever it closes or drops its editor.
    return state() == QAbstractItemView::EditingState ? delegate_->openEditor() : nullptr;
}

void DBGridEh::commitCellEditor() {
    if (QWidget* editor = cellEditor()) {
        commitData(editor);
    }
}

void DBGridEh::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    if (editor == delegate_->openEditor()) {
        delegate_->forgetEditor();
    }
    restoreEditorLater();
}

void DBGridEh::restoreEditorLater() {
    // With the editor always shown, a cell left bare (Escape, a delete, a re-read) gets its
    // editor back once the grid has settled, as long as the focus is in the grid.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && gridHasFocus()) {
            showEditorIfAlways();
        }
    });
}

void DBGridEh::syncCurrentFromDataset() {
    if (leavingCell_ || !model_->readable()) {
        return;
    }
    const int row = model_->currentRow();
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    const QModelIndex current = currentIndex();
    int col = current.isValid() && current.column() > 0 ? current.column() : -1;
    if (col < 0) {
        const int first = firstVisibleDataColumn();
        if (first < 0) {
            return;
        }
        col = first + 1;
    }
    if (current.isValid() && current.row() == row && current.column() == col) {
        return;
    }
    // The dataset moved by itself: an editor still open belongs to the row it left.
    if (QWidget* editor = cellEditor()) {
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
    QScopedValueRollback guard(syncing_, true);
    setCurrentIndex(model_->index(row, col));
    scrollTo(currentIndex());
}

void DBGridEh::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    {
        // Commits and closes the editor of the cell being left. The commit may put the row in
        // edit state while the dataset still stands on it: the grid must not follow back.
        QScopedValueRollback guard(leavingCell_, true);
        QTableView::currentChanged(current, previous);
    }
    viewport()->update();
    if (syncing_ || !current.isValid()) {
        return;
    }
    const bool columnChanged = !previous.isValid() || previous.column() != current.column();
    const bool rowChanged = previous.isValid() && previous.row() != current.row();
    if (columnChanged && previous.isValid() && onColExit) {
        // The handler of the column being left sees that column as the current one.
        QScopedValueRollback leaving(leftColumn_, previous.column() - 1);
        guarded([this] { onColExit(*this); });
    }
    if (rowChanged || (!previous.isValid() && current.row() != currentRowIndex())) {
        if (!moveDatasetTo(current.row(), previous.isValid() ? previous.row() : -1,
                           current.column())) {
            return;
        }
    }
    if (columnChanged && onColEnter) {
        guarded([this] { onColEnter(*this); });
    }
    showEditorIfAlways();
}

bool DBGridEh::leaveEditedRow(int* targetRow) {
    Dataset* ds = dataset();
    if (!editing(ds)) {
        return true;
    }
    if (ds->state() == DatasetState::Insert && !ds->modified() &&
        options_.testFlag(GridOption::CancelOnExit)) {
        // An untouched new row is dropped rather than posted; the rows after it move up.
        const int insertedRow = ds->recNo() - 1;
        ds->cancel();
        if (targetRow && *targetRow > insertedRow) {
            --*targetRow;
        }
        return true;
    }
    return attempt([ds] { ds->post(); });
}

bool DBGridEh::moveDatasetTo(int row, int previousRow, int column) {
    Dataset* ds = dataset();
    if (ds == nullptr || !ds->isOpen()) {
        return true;
    }
    int target = row;
    const bool left = leaveEditedRow(&target);
    if (!left) {
        // The row could not be posted: the grid stays on it.
        QScopedValueRollback guard(syncing_, true);
        const int stay = previousRow >= 0 ? previousRow : std::max(currentRowIndex(), 0);
        setCurrentIndex(model_->index(stay, column));
        return false;
    }
    if (target >= 0 && target < ds->recordCount() && target != ds->recNo() - 1) {
        attempt([ds, target] { ds->setRecNo(target + 1); });
    }
    syncCurrentFromDataset();
    return true;
}

void DBGridEh::showEditorIfAlways() {
    if (!options_.testFlag(GridOption::Editing) ||
        !options_.testFlag(GridOption::AlwaysShowEditor)) {
        return;
    }
    const QModelIndex current = currentIndex();
    if (!current.isValid() || current.column() == 0 || state() == QAbstractItemView::EditingState ||
        !cellEditable(current.column() - 1)) {
        return;
    }
    edit(current);
}

// --- editing

bool DBGridEh::cellEditable(int dataCol) const {
    if (!options_.testFlag(GridOption::Editing) || dataCol < 0 || dataCol >= columnCount()) {
        return false;
    }
    const DBGridColumnEh& col = column(dataCol);
    Field* field = col.field();
    if (col.readOnly || field == nullptr || !model_->readable()) {
        return false;
    }
    if (field->isLookup()) {
        Field* key = field->dataset().findField(field->keyFields());
        return key != nullptr && !key->readOnly();
    }
    return !field->readOnly();
}

void DBGridEh::commitLookupChoice(DBGridColumnEh& col, const Value& key, const QString& text) {
    Field* field = col.field();
    if (field == nullptr || !field->isLookup()) {
        return;
    }
    Field* keyField = field->dataset().findField(field->keyFields());
    if (keyField != nullptr && valuesEqual(keyField->value(), key)) {
        return;  // the entry shown already
    }
    // The chosen entry becomes the lookup dataset's current row before the hook runs, so that
    // the hook can read its other fields.
    if (Dataset* list = field->lookupDataset()) {
        attempt([&] { list->locate(field->lookupKeyFields(), key); });
    }
    commitUpdate(col, ColumnUpdate{key, text, false, false});
}

void DBGridEh::commitText(DBGridColumnEh& col, const QString& text) {
    commitUpdate(col, ColumnUpdate{Value{text}, text, true, false});
}

void DBGridEh::commitUpdate(DBGridColumnEh& col, ColumnUpdate update) {
    Dataset* ds = dataset();
    if (ds == nullptr) {
        return;
    }
    attempt([&] {
        if (col.onUpdateData) {
            col.onUpdateData(col, update);
        }
        if (update.handled) {
            return;
        }
        Field* field = col.field();
        if (field == nullptr) {
            return;
        }
        Field* target = field->isLookup() ? &ds->fieldByName(field->keyFields()) : field;
        if (ds->state() == DatasetState::Browse) {
            ds->edit();
        }
        if (update.useText) {
            target->setText(update.text);
        } else {
            target->setValue(update.value);
        }
    });
    // The editor shows what the row holds now, written or kept.
    const int row = currentRowIndex();
    if (row >= 0) {
        Q_EMIT model_->dataChanged(model_->index(row, 0),
                                   model_->index(row, model_->columnCount() - 1));
    }
}

}  // namespace zev
