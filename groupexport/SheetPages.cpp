#include "groupexport/SheetPages.h"

#include "groupexport/ElectivesSheet.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <numeric>

namespace zev {

namespace {

// How wide each column is against the others.
std::vector<double> columnWeights(const ElectivesSheet& sheet) {
    std::vector<double> weights;
    if (sheet.wholeFaculty) {
        weights = {2.6, 1.1};  // speciality, group
    }
    const std::vector<double> own = {3.0, 3.0, 1.4, 3.2, 0.8, 1.3, 1.3, 1.1};
    weights.insert(weights.end(), own.begin(), own.end());
    return weights;
}

QFont sheetFont(double points, bool bold = false) {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Everything the pages need, measured once for the device.
class PageLayout {
public:
    PageLayout(const ElectivesSheet& sheet, QPagedPaintDevice& device)
        : sheet_(sheet),
          device_(device),
          mm_(device.logicalDpiY() / 25.4),
          page_(0, 0, device.width(), device.height()),
          titleFont_(sheetFont(14, true)),
          headingFont_(sheetFont(10)),
          headerFont_(sheetFont(8.5, true)),
          cellFont_(sheetFont(8.5)),
          footerFont_(sheetFont(8)),
          padding_(1.2 * mm_) {
        const std::vector<double> weights = columnWeights(sheet);
        const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
        double left = page_.left();
        for (double w : weights) {
            const double width = page_.width() * w / total;
            columns_.emplace_back(left, width);
            left += width;
        }
        headerHeight_ = rowHeight(sheetColumns(sheet), headerFont_);
        footerHeight_ = QFontMetricsF(footerFont_, &device_).height() + 2 * mm_;
        headingHeight_ = QFontMetricsF(titleFont_, &device_).height() + 2 * mm_ +
                         static_cast<double>(headingLines(sheet).size()) *
                             QFontMetricsF(headingFont_, &device_).height() * 1.25 +
                         3 * mm_;
        for (const ElectivePlace& place : sheet.places) {
            heights_.push_back(rowHeight(sheetCells(sheet, place), cellFont_));
        }
        breakPages();
    }

    int pageCount() const { return static_cast<int>(pages_.size()); }

    void paint(QPainter& painter) const {
        for (int page = 0; page < pageCount(); ++page) {
            if (page > 0) {
                device_.newPage();
            }
            double top = page_.top();
            if (page == 0) {
                top = paintHeading(painter, top);
            }
            const QStringList header = sheetColumns(sheet_);
            paintRow(painter, header, top, headerHeight_, headerFont_, QColor(0xD9, 0xE1, 0xF2));
            top += headerHeight_;
            const auto [first, last] = pages_[static_cast<std::size_t>(page)];
            for (std::size_t row = first; row < last; ++row) {
                const QStringList cells = sheetCells(sheet_, sheet_.places[row]);
                const QColor fill =
                    sheet_.places[row].chosen ? QColor(Qt::white) : QColor(0xF4, 0xF4, 0xF4);
                paintRow(painter, cells, top, heights_[row], cellFont_, fill);
                top += heights_[row];
            }
            paintFooter(painter, page);
        }
    }

private:
    double textWidth(std::size_t column) const { return columns_[column].second - 2 * padding_; }

    double rowHeight(const QStringList& cells, const QFont& font) const {
        const QFontMetricsF metrics(font, &device_);
        double height = metrics.height();
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const QRectF bounds =
                metrics.boundingRect(QRectF(0, 0, textWidth(static_cast<std::size_t>(c)), 1e6),
                                     Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, cells[c]);
            height = std::max(height, bounds.height());
        }
        return height + 2 * padding_;
    }

    // Rows from the first that fit each page, below the heading on the first one.
    void breakPages() {
        const double bottom = page_.bottom() - footerHeight_;
        double top = page_.top() + headingHeight_ + headerHeight_;
        std::size_t first = 0;
        for (std::size_t row = 0; row < heights_.size(); ++row) {
            if (top + heights_[row] > bottom && row > first) {
                pages_.emplace_back(first, row);
                first = row;
                top = page_.top() + headerHeight_;
            }
            top += heights_[row];
        }
        pages_.emplace_back(first, heights_.size());
    }

    double paintHeading(QPainter& painter, double top) const {
        painter.setPen(Qt::black);
        painter.setFont(titleFont_);
        const double titleHeight = QFontMetricsF(titleFont_, &device_).height();
        painter.drawText(QRectF(page_.left(), top, page_.width(), titleHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, sheetTitle());
        top += titleHeight + 2 * mm_;
        const double lineHeight = QFontMetricsF(headingFont_, &device_).height() * 1.25;
        QFont captionFont = headingFont_;
        captionFont.setBold(true);
        double captionWidth = 0;
        for (const auto& [caption, value] : headingLines(sheet_)) {
            captionWidth =
                std::max(captionWidth, QFontMetricsF(captionFont, &device_)
                                           .horizontalAdvance(caption + QStringLiteral(": ")));
        }
        for (const auto& [caption, value] : headingLines(sheet_)) {
            painter.setFont(captionFont);
            painter.drawText(QRectF(page_.left(), top, captionWidth, lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, caption + u':');
            painter.setFont(headingFont_);
            painter.drawText(
                QRectF(page_.left() + captionWidth, top, page_.width() - captionWidth, lineHeight),
                Qt::AlignLeft | Qt::AlignVCenter, value);
            top += lineHeight;
        }
        return page_.top() + headingHeight_;
    }

    void paintRow(QPainter& painter, const QStringList& cells, double top, double height,
                  const QFont& font, const QColor& fill) const {
        painter.setFont(font);
        QPen border(QColor(0x80, 0x80, 0x80));
        border.setWidthF(0.2 * mm_);
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const auto [left, width] = columns_[static_cast<std::size_t>(c)];
            const QRectF cell(left, top, width, height);
            painter.fillRect(cell, fill);
            painter.setPen(border);
            painter.drawRect(cell);
            painter.setPen(Qt::black);
            painter.drawText(cell.adjusted(padding_, padding_, -padding_, -padding_),
                             Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, cells[c]);
        }
    }

    void paintFooter(QPainter& painter, int page) const {
        painter.setFont(footerFont_);
        painter.setPen(Qt::black);
        const QRectF foot(page_.left(), page_.bottom() - footerHeight_ + 2 * mm_, page_.width(),
                          footerHeight_ - 2 * mm_);
        painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("Страница %1 из %2").arg(page + 1).arg(pageCount()));
        QStringList what;
        for (const auto& [caption, value] : headingLines(sheet_)) {
            if (!value.isEmpty()) {
                what << value;
            }
        }
        painter.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, what.join(QStringLiteral(", ")));
    }

    const ElectivesSheet& sheet_;
    QPagedPaintDevice& device_;
    double mm_;
    QRectF page_;
    QFont titleFont_, headingFont_, headerFont_, cellFont_, footerFont_;
    double padding_;
    std::vector<std::pair<double, double>> columns_;  // left and width
    double headerHeight_ = 0;
    double footerHeight_ = 0;
    double headingHeight_ = 0;
    std::vector<double> heights_;
    std::vector<std::pair<std::size_t, std::size_t>> pages_;  // rows [first, last) of each page
};

}  // namespace

void useSheetPageLayout(QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
}

int paintSheet(const ElectivesSheet& sheet, QPagedPaintDevice& device) {
    const PageLayout layout(sheet, device);
    QPainter painter(&device);
    if (!painter.isActive()) {
        return 0;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    layout.paint(painter);
    return layout.pageCount();
}

QByteArray sheetPdf(const ElectivesSheet& sheet) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("ZEV 32"));
        writer.setTitle(sheetTitle());
        writer.setResolution(300);
        useSheetPageLayout(writer);
        paintSheet(sheet, writer);
    }
    return buffer.data();
}

}  // namespace zev
