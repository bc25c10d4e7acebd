#include "tour/Screenshots.h"

#include "core/Errors.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <vector>

namespace zev::tour {

namespace {

constexpr int kTitleBarHeight = 24;

// Where a widget's top-level window lies on the screen (its client area, which grab() paints).
QRect screenRect(const QWidget& widget) {
    return {widget.mapToGlobal(QPoint(0, 0)), widget.size()};
}

// Windows with a border carry a title bar that a grab of the client area leaves out; the
// pictures draw a plain one, so that a window's caption shows as it does on screen.
bool hasTitleBar(const QWidget& widget) {
    const Qt::WindowFlags flags = widget.windowFlags();
    return widget.isWindow() && (flags & Qt::WindowType_Mask) != Qt::Popup &&
           !flags.testFlag(Qt::FramelessWindowHint);
}

QPixmap withTitleBar(const QWidget& widget, const QPixmap& client) {
    QPixmap framed(client.width(), client.height() + kTitleBarHeight);
    framed.fill(QColor(54, 78, 120));
    QPainter painter(&framed);
    painter.drawPixmap(0, kTitleBarHeight, client);
    QFont font = widget.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 0, client.width() - 16, kTitleBarHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, widget.windowTitle());
    return framed;
}

}  // namespace

Screenshots::Screenshots(const QString& folder) : folder_(folder) {
    if (!folder_.mkpath(QStringLiteral("."))) {
        throw Error(QStringLiteral("Cannot create the folder %1").arg(folder));
    }
}

void Screenshots::save(const QString& name, std::initializer_list<QWidget*> windows) {
    // Let pending layouts and paints settle first, as they would before a person looks.
    QApplication::processEvents();

    struct Piece {
        QRect where;
        QPixmap picture;
    };
    std::vector<Piece> pieces;
    QRect area;
    for (QWidget* widget : windows) {
        if (widget == nullptr || !widget->isVisible()) {
            continue;
        }
        Piece piece{screenRect(*widget), widget->grab()};
        if (hasTitleBar(*widget)) {
            piece.picture = withTitleBar(*widget, piece.picture);
            piece.where.adjust(0, -kTitleBarHeight, 0, 0);
        }
        area = area.united(piece.where);
        pieces.push_back(std::move(piece));
    }
    if (pieces.empty()) {
        throw Error(QStringLiteral("Nothing visible to picture for %1").arg(name));
    }

    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(QColor(96, 96, 96));  // the desktop around a pop-up that leaves the window
    QPainter painter(&image);
    for (const Piece& piece : pieces) {
        painter.drawPixmap(piece.where.topLeft() - area.topLeft(), piece.picture);
    }
    painter.end();

    const QString file = folder_.filePath(
        QStringLiteral("%1-%2.png").arg(++counter_, 2, 10, QLatin1Char('0')).arg(name));
    if (!image.save(file)) {
        throw Error(QStringLiteral("Cannot write %1").arg(file));
    }
    saved_.append(file);
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(file)));
    std::fflush(stdout);
}

}  // namespace zev::tour
