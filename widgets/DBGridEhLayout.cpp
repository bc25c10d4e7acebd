// The grid's column layout: widths, fitting to the view, the title height.

#include "widgets/DBGridEh.h"

#include "widgets/DBGridEhSteps.h"
#include "widgets/DBGridModel.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>

namespace zev {

using namespace gridsteps;

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
    std::vector<std::pair<QString, int>> titles;
    for (int i = 0; i < columnCount(); ++i) {
        const DBGridColumnEh& col = column(i);
        if (col.visible) {
            titles.emplace_back(col.title.isEmpty() ? col.fieldName : col.title,
                                std::max(columnWidth(i + 1) - 6, 1));
        }
    }
    if (titleFit_.height >= 0 && titleFit_.style == style() && titleFit_.font == titleFont_ &&
        titleFit_.titles == titles) {
        horizontalHeader()->setFixedHeight(titleFit_.height);
        return;
    }
    const QFontMetrics metrics(titleFont_);
    int lines = 1;
    for (const auto& [title, textWidth] : titles) {
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
    titleFit_ = {titleFont_, style(), std::move(titles),
                 oneLine + (lines - 1) * metrics.lineSpacing()};
    horizontalHeader()->setFixedHeight(titleFit_.height);
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

}  // namespace zev
