// The grid's mouse handling and the selected rows (the bookmarks of a multi-row selection).

#include "widgets/DBGridEh.h"

#include "widgets/DBGridEhSteps.h"
#include "widgets/DBGridModel.h"

#include <QMouseEvent>

#include <algorithm>

namespace zev {

using namespace gridsteps;

// --- SelectedRows

bool SelectedRows::contains(const Dataset::Bookmark& bookmark) const {
    return std::find(rows_.begin(), rows_.end(), bookmark) != rows_.end();
}

void SelectedRows::add(const Dataset::Bookmark& bookmark) {
    if (!bookmark.isEmpty() && !contains(bookmark)) {
        rows_.push_back(bookmark);
        grid_.selectedRowsChanged();
    }
}

void SelectedRows::remove(const Dataset::Bookmark& bookmark) {
    auto found = std::find(rows_.begin(), rows_.end(), bookmark);
    if (found != rows_.end()) {
        rows_.erase(found);
        grid_.selectedRowsChanged();
    }
}

void SelectedRows::clear() {
    if (!rows_.empty()) {
        rows_.clear();
        grid_.selectedRowsChanged();
    }
}

void SelectedRows::selectAll() {
    Dataset* dataset = grid_.dataset();
    if (dataset == nullptr || !dataset->isOpen()) {
        return;
    }
    rows_.clear();
    const Dataset::Bookmark current = dataset->bookmark();
    dataset->disableControls();
    try {
        dataset->first();
        while (!dataset->eof()) {
            rows_.push_back(dataset->bookmark());
            dataset->next();
        }
        if (!current.isEmpty() && dataset->bookmarkValid(current)) {
            dataset->gotoBookmark(current);
        }
    } catch (...) {
        dataset->enableControls();
        grid_.selectedRowsChanged();
        throw;
    }
    dataset->enableControls();
    grid_.selectedRowsChanged();
}

// --- mouse and selection

void DBGridEh::selectRowRange(int from, int to) {
    if (from > to) {
        std::swap(from, to);
    }
    for (int r = from; r <= to; ++r) {
        selectedRows_.add(bookmarkOfRow(r));
    }
}

void DBGridEh::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    QModelIndex index = indexAt(pos);
    pressedOnCurrent_ = index.isValid() && index == currentIndex();
    if (!index.isValid() || event->button() != Qt::LeftButton) {
        QTableView::mousePressEvent(event);
        return;
    }
    const int row = index.row();
    if (index.column() == 0) {
        // A click on the indicator moves to the row and keeps the column.
        const int keep = currentIndex().isValid() && currentIndex().column() > 0
                             ? currentIndex().column()
                             : firstVisibleDataColumn() + 1;
        if (keep > 0) {
            setCurrentIndex(model_->index(row, keep));
        }
    } else if (editButtonRect(row, index.column() - 1).contains(pos)) {
        // The ellipsis button: the cell becomes current, then the column's handler runs.
        setCurrentIndex(index);
        if (currentRowIndex() == row) {
            DBGridColumnEh& col = column(index.column() - 1);
            if (col.onEditButtonClick) {
                guarded([&col] { col.onEditButtonClick(col); });
            }
        }
        return;
    } else {
        QTableView::mousePressEvent(event);
    }
    if (!options_.testFlag(GridOption::MultiSelect) || currentRowIndex() != row) {
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods.testFlag(Qt::ControlModifier)) {
        const Dataset::Bookmark mark = bookmarkOfRow(row);
        if (selectedRows_.contains(mark)) {
            selectedRows_.remove(mark);
        } else {
            selectedRows_.add(mark);
        }
        anchorRow_ = row;
    } else if (mods.testFlag(Qt::ShiftModifier) && anchorRow_ >= 0) {
        selectRowRange(anchorRow_, row);
    } else {
        selectedRows_.clear();
        anchorRow_ = row;
    }
}

void DBGridEh::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    // A click on the current cell opens its editor.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (pressedOnCurrent_ && index == currentIndex() && index.isValid() && index.column() > 0 &&
        state() != QAbstractItemView::EditingState && cellEditable(index.column() - 1) &&
        !editButtonRect(index.row(), index.column() - 1).contains(event->position().toPoint())) {
        edit(index);
    }
    pressedOnCurrent_ = false;
}

}  // namespace zev
