// The grid: its columns, options, painting helpers and the binding to a data source.

#include "widgets/DBGridEh.h"

#include "widgets/DBGridDelegate.h"
#include "widgets/DBGridEhSteps.h"
#include "widgets/DBGridModel.h"
#include "widgets/Fonts.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace zev {

using namespace gridsteps;

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
    return {cell.right() - width + 1, cell.top(), width, cell.height()};
}

void DBGridEh::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void DBGridEh::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

}  // namespace zev
