#include "widgets/DBGridEh.h"

#include "widgets/DBGridDelegate.h"
#include "widgets/DBGridModel.h"
#include "widgets/Fonts.h"
#include "widgets/GridFindDialog.h"
#include "widgets/Notices.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace zev {

namespace {

constexpr int kIndicatorWidth = 12;

// Runs a step whose failure is shown to the user; answers whether it went through.
template <class Step>
bool attempt(Step&& step) {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (...) {
        showException(std::current_exception());
        return false;
    }
}

bool editing(const Dataset* dataset) {
    return dataset &&
           (dataset->state() == DatasetState::Edit || dataset->state() == DatasetState::Insert);
}

}  // namespace

// --- DBGridColumnEh

Field* DBGridColumnEh::field() const {
    Dataset* dataset = grid_ ? grid_->dataset() : nullptr;
    return dataset ? dataset->findField(fieldName) : nullptr;
}

// --- GridCanvas

GridCanvas::GridCanvas(QPainter& painter) : painter_(painter) {}

int GridCanvas::textWidth(const QString& text) const {
    return QFontMetrics(font).horizontalAdvance(text);
}

int GridCanvas::textHeight(const QString& text) const {
    return QFontMetrics(font).boundingRect(QRect(0, 0, 100000, 100000), 0, text).height();
}

void GridCanvas::textRect(const QRect& rect, int x, int y, const QString& text) {
    painter_.save();
    painter_.setClipRect(rect, Qt::IntersectClip);
    painter_.fillRect(rect, brushColor);
    painter_.setFont(font);
    painter_.setPen(fontColor);
    painter_.drawText(QPoint(x, y + QFontMetrics(font).ascent()), text);
    painter_.restore();
}

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

// --- DBGridEh

DBGridEh::DBGridEh(QWidget* parent) : QTableView(parent) {
    model_ = new DBGridModel(*this, this);
    delegate_ = new DBGridDelegate(*this, this);
    setModel(model_);
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setFont(defaultUiFont());
    QFont title = defaultUiFont();
    title.setBold(true);
    setTitleFont(title);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(std::max(17, QFontMetrics(font()).height() + 4));
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Titles wrap rather than end in an ellipsis.
    horizontalHeader()->setTextElideMode(Qt::ElideNone);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(kIndicatorWidth);
    setWordWrap(false);
    setOptions(GridOption::Editing | GridOption::Titles | GridOption::Indicator |
               GridOption::ColLines | GridOption::RowLines | GridOption::Tabs |
               GridOption::ConfirmDelete | GridOption::CancelOnExit);

    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        selectedCacheValid_ = false;
        applyColumnLayout();
        syncCurrentFromDataset();
        restoreEditorLater();
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (layingOut_ || section == 0 || section > columnCount()) {
                    return;
                }
                DBGridColumnEh& col = column(section - 1);
                const int bounded = std::max(size, col.minWidth);
                const int clamped = col.maxWidth > 0 ? std::min(bounded, col.maxWidth) : bounded;
                if (clamped != size) {
                    QScopedValueRollback guard(layingOut_, true);
                    setColumnWidth(section, clamped);
                }
                if (!autoFit_) {
                    col.width = clamped;
                }
                fitTitleHeight();
            });
}

DBGridEh::~DBGridEh() = default;

void DBGridEh::setDataSource(DataSource* source) {
    if (dataSource_) {
        disconnect(dataSource_, nullptr, this, nullptr);
    }
    dataSource_ = source;
    if (dataSource_) {
        connect(dataSource_, &DataSource::dataSetChanged, this, &DBGridEh::bindDataset);
    }
    bindDataset();
}

Dataset* DBGridEh::dataset() const {
    return dataSource_ ? dataSource_->dataSet() : nullptr;
}

void DBGridEh::bindDataset() {
    if (boundDataset_) {
        disconnect(boundDataset_, nullptr, this, nullptr);
    }
    boundDataset_ = dataset();
    selectedRows_.clear();
    model_->setDataset(boundDataset_);
    if (boundDataset_) {
        connect(boundDataset_, &Dataset::currentRowChanged, this,
                [this](int) { syncCurrentFromDataset(); });
        connect(boundDataset_, &Dataset::stateChanged, this, [this] { viewport()->update(); });
        connect(boundDataset_, &Dataset::datasetReset, this, [this] {
            // Bookmarks of an earlier open designate nothing any more.
            if (!boundDataset_->isOpen()) {
                selectedRows_.clear();
            }
        });
    }
}

DBGridColumnEh& DBGridEh::addColumn(const QString& fieldName, const QString& title, int width) {
    auto col = std::make_unique<DBGridColumnEh>();
    col->fieldName = fieldName;
    col->title = title;
    col->width = width;
    col->grid_ = this;
    col->index_ = static_cast<int>(columns_.size()) + 1;
    columns_.push_back(std::move(col));
    model_->columnsChanged();
    return *columns_.back();
}

DBGridColumnEh* DBGridEh::currentColumn() const {
    const int dataCol = currentDataColumn();
    return dataCol >= 0 ? columns_.at(dataCol).get() : nullptr;
}

void DBGridEh::refreshColumns() {
    applyColumnLayout();
    horizontalHeader()->viewport()->update();
    viewport()->update();
}

void DBGridEh::setOptions(GridOptions options) {
    const GridOptions before = options_;
    options_ = options;
    setColumnHidden(0, !options_.testFlag(GridOption::Indicator));
    horizontalHeader()->setVisible(options_.testFlag(GridOption::Titles));
    setShowGrid(options_.testFlag(GridOption::ColLines) || options_.testFlag(GridOption::RowLines));
    setTabKeyNavigation(options_.testFlag(GridOption::Tabs));
    if (!options_.testFlag(GridOption::MultiSelect) && before.testFlag(GridOption::MultiSelect)) {
        selectedRows_.clear();
    }
    applyEditTriggers();
    if (!options_.testFlag(GridOption::Editing)) {
        // Without editing no cell editor stays open; what was typed is committed first.
        if (QWidget* editor = cellEditor()) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    } else if (options_.testFlag(GridOption::AlwaysShowEditor)) {
        QTimer::singleShot(0, this, &DBGridEh::showEditorIfAlways);
    }
    if (autoFit_) {
        fitColumns();
    }
    viewport()->update();
}

void DBGridEh::setOptionsEh(GridOptionsEh options) {
    optionsEh_ = options;
    viewport()->update();
}

void DBGridEh::setDefaultDrawing(bool on) {
    defaultDrawing_ = on;
    viewport()->update();
}

void DBGridEh::setAutoFitColWidths(bool on) {
    autoFit_ = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    applyColumnLayout();
}

void DBGridEh::setTitleFont(const QFont& font) {
    titleFont_ = font;
    model_->setTitleFont(font);
    horizontalHeader()->setFont(font);
    horizontalHeader()->viewport()->update();
}

GridCanvas& DBGridEh::canvas() {
    if (canvas_ == nullptr) {
        throw Error(QStringLiteral("The grid canvas is available only while a cell is drawn"));
    }
    return *canvas_;
}

void DBGridEh::applyEditTriggers() {
    if (options_.testFlag(GridOption::Editing)) {
        // A click on the current cell opens its editor at once (mouseReleaseEvent); the view's
        // own delayed opening would swallow a key pressed before it.
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
    } else {
        setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
}

// --- columns

void DBGridEh::applyColumnLayout() {
    QScopedValueRollback guard(layingOut_, true);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    setColumnWidth(0, kIndicatorWidth);
    setColumnHidden(0, !options_.testFlag(GridOption::Indicator));
    for (int i = 0; i < columnCount(); ++i) {
        const DBGridColumnEh& col = column(i);
        setColumnHidden(i + 1, !col.visible);
        const bool fixed = col.minWidth > 0 && col.minWidth == col.maxWidth;
        horizontalHeader()->setSectionResizeMode(
            i + 1, fixed ? QHeaderView::Fixed : QHeaderView::Interactive);
        int width = std::max(col.width, col.minWidth);
        if (col.maxWidth > 0) {
            width = std::min(width, col.maxWidth);
        }
        setColumnWidth(i + 1, width);
    }
    if (autoFit_) {
        fitColumns();
    }
    fitTitleHeight();
}

void DBGridEh::fitTitleHeight() {
    // Titles take as many lines as their texts need at their columns' widths: explicit line
    // breaks, and words wrapped where a title is wider than its column.
    const QFontMetrics metrics(titleFont_);
    int lines = 1;
    for (int i = 0; i < columnCount(); ++i) {
        const DBGridColumnEh& col = column(i);
        if (!col.visible) {
            continue;
        }
        const QString title = col.title.isEmpty() ? col.fieldName : col.title;
        const int textWidth = std::max(columnWidth(i + 1) - 6, 1);
        const QRect needed = metrics.boundingRect(QRect(0, 0, textWidth, 10000),
                                                  Qt::AlignCenter | Qt::TextWordWrap, title);
        lines = std::max(lines, (needed.height() + metrics.lineSpacing() - 1) /
                                    std::max(metrics.lineSpacing(), 1));
    }
    // The style's height of a one-line title, and a line more for each further line.
    QStyleOptionHeader option;
    option.initFrom(horizontalHeader());
    option.fontMetrics = metrics;
    option.text = QStringLiteral("X");
    const int oneLine = std::max(
        style()
            ->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), horizontalHeader())
            .height(),
        metrics.lineSpacing() + 6);
    horizontalHeader()->setFixedHeight(oneLine + (lines - 1) * metrics.lineSpacing());
}

void DBGridEh::fitColumns() {
    QScopedValueRollback guard(layingOut_, true);
    int available = viewport()->width();
    if (options_.testFlag(GridOption::Indicator)) {
        available -= kIndicatorWidth;
    }
    // Columns of a fixed width keep it; the others share the rest in their design proportions.
    int designTotal = 0;
    std::vector<int> flexible;
    for (int i = 0; i < columnCount(); ++i) {
        const DBGridColumnEh& col = column(i);
        if (!col.visible) {
            continue;
        }
        if (col.minWidth > 0 && col.minWidth == col.maxWidth) {
            available -= col.minWidth;
            setColumnWidth(i + 1, col.minWidth);
        } else {
            designTotal += std::max(col.width, 1);
            flexible.push_back(i);
        }
    }
    if (flexible.empty() || available <= 0 || designTotal <= 0) {
        return;
    }
    int used = 0;
    for (std::size_t k = 0; k < flexible.size(); ++k) {
        const DBGridColumnEh& col = column(flexible[k]);
        int width = k + 1 == flexible.size()
                        ? available - used
                        : static_cast<int>(static_cast<qint64>(std::max(col.width, 1)) * available /
                                           designTotal);
        width = std::max(width, std::max(col.minWidth, 8));
        if (col.maxWidth > 0) {
            width = std::min(width, col.maxWidth);
        }
        setColumnWidth(flexible[k] + 1, width);
        used += width;
    }
}

void DBGridEh::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    if (autoFit_) {
        fitColumns();
    }
    fitTitleHeight();
}

int DBGridEh::firstVisibleDataColumn() const {
    for (int i = 0; i < columnCount(); ++i) {
        if (column(i).visible) {
            return i;
        }
    }
    return -1;
}

// --- current row and column

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

// --- painting

bool DBGridEh::gridHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return hasFocus() || (focus != nullptr && isAncestorOf(focus));
}

Dataset::Bookmark DBGridEh::bookmarkOfRow(int row) const {
    return model_->readable() ? dataset()->bookmarkAt(row) : Dataset::Bookmark();
}

bool DBGridEh::isRowSelected(int row) const {
    if (selectedRows_.count() == 0 || row < 0) {
        return false;
    }
    if (!selectedCacheValid_) {
        if (!model_->readable()) {
            return false;
        }
        const int rows = model_->rowCount();
        selectedCache_.assign(static_cast<std::size_t>(rows), 0);
        for (int r = 0; r < rows; ++r) {
            selectedCache_[static_cast<std::size_t>(r)] =
                selectedRows_.contains(bookmarkOfRow(r)) ? 1 : 0;
        }
        selectedCacheValid_ = true;
    }
    return row < static_cast<int>(selectedCache_.size()) &&
           selectedCache_[static_cast<std::size_t>(row)] != 0;
}

void DBGridEh::selectedRowsChanged() {
    selectedCacheValid_ = false;
    viewport()->update();
}

DBGridEh::CellPaint DBGridEh::cellPaint(int row, int dataCol) const {
    const DBGridColumnEh& col = column(dataCol);
    CellPaint paint;
    paint.font = col.font.value_or(font());
    paint.background = col.color.value_or(palette().color(QPalette::Base));
    paint.foreground = palette().color(QPalette::Text);
    const bool current = row == currentRowIndex();
    const bool selected = isRowSelected(row);
    const bool focused = current && dataCol == currentDataColumn() && gridHasFocus();
    if (current || selected) {
        paint.state |= CellState::Selected;
    }
    if (focused) {
        paint.state |= CellState::Focused;
    }
    if (focused) {
        paint.background = palette().color(QPalette::Highlight);
        paint.foreground = palette().color(QPalette::HighlightedText);
    } else if (selected || (current && optionsEh_.testFlag(GridOptionEh::RowHighlight))) {
        // A lighter shade of the highlight, so that the focused cell stands out in the row.
        const QColor highlight = palette().color(QPalette::Highlight);
        const QColor base = palette().color(QPalette::Base);
        paint.background = QColor((highlight.red() + 2 * base.red()) / 3,
                                  (highlight.green() + 2 * base.green()) / 3,
                                  (highlight.blue() + 2 * base.blue()) / 3);
    }
    return paint;
}

void DBGridEh::drawCellByCallback(QPainter& painter, const QRect& rect, int row, int dataCol,
                                  CellStates state) {
    Dataset* ds = dataset();
    if (!onDrawColumnCell || !model_->readable() || row >= ds->recordCount() + 1) {
        return;
    }
    DBGridColumnEh& col = column(dataCol);
    GridCanvas canvas(painter);
    canvas.brushColor = col.color.value_or(palette().color(QPalette::Base));
    canvas.font = col.font.value_or(font());
    canvas.fontColor = palette().color(QPalette::Text);
    canvas_ = &canvas;
    try {
        // The dataset's active record is the painted row while the owner paints it.
        std::optional<Dataset::DisplayRow> display;
        if (row != ds->recNo() - 1) {
            display.emplace(*ds, row);
        }
        onDrawColumnCell(*this, rect, dataCol, col, state);
    } catch (...) {
        // No message box can be shown in the middle of a paint: show it right after.
        std::exception_ptr error = std::current_exception();
        QTimer::singleShot(0, this, [error] { showException(error); });
    }
    canvas_ = nullptr;
}

QRect DBGridEh::cellRect(int row, int dataCol) const {
    return visualRect(model_->index(row, dataCol + 1));
}

QRect DBGridEh::editButtonRect(int row, int dataCol) const {
    if (dataCol < 0 || dataCol >= columnCount() || !column(dataCol).alwaysShowEditButton) {
        return {};
    }
    const QRect cell = cellRect(row, dataCol);
    const int width = DBGridDelegate::editButtonWidth(cell.width());
    return QRect(cell.right() - width + 1, cell.top(), width, cell.height());
}

void DBGridEh::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void DBGridEh::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
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
