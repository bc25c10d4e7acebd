#pragma once

#include <QFont>
#include <QString>

namespace zev {

// The windows were laid out with the bitmap face "MS Sans Serif", which no longer exists on
// current systems. legacyFont() gives the face that stands in for a face named by a window,
// at the pixel height that the point size had at 96 dots per inch (8 point -> 11 pixels), so
// that texts keep the room that the layouts give them. See widgets/README.md for the table.
QFont legacyFont(const QString& face, int pointSize);

// "MS Sans Serif", 8 point: the font of every window, grid and drop-down.
QFont defaultUiFont();

// Pixel height of a point size at 96 dots per inch, rounded (8 -> 11, 10 -> 13).
int pixelHeightOfPoints(int pointSize);

}  // namespace zev
