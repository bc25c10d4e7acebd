#include "tour/Screenshots.h"

#include "data/Errors.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <vector>

namespace zev::tour {

namespace {

// Where a widget's top-level window lies on the screen (its client area, which grab() paints).
QRect screenRect(const QWidget& widget) {
    return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

}  // namespace

Screenshots::Screenshots(const QString& folder) : folder_(folder) {
    if (!folder_.mkpath(QStringLiteral("."))) {
        throw Error(QStringLiteral("Cannot create the folder %1").arg(folder));
    }
}

void Screenshots::save(const QString& name, std::initializer_list<const QWidget*> windows) {
    // Let pending layouts and paints settle first, as they would before a person looks.
    QApplication::processEvents();

    struct Piece {
        QRect where;
        QPixmap picture;
    };
    std::vector<Piece> pieces;
    QRect area;
    for (const QWidget* widget : windows) {
        if (widget == nullptr || !widget->isVisible()) {
            continue;
        }
        Piece piece{screenRect(*widget), const_cast<QWidget*>(widget)->grab()};
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
