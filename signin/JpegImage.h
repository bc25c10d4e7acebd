#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace zev {

// Decodes a baseline or progressive JPEG with libjpeg into an RGB image. Answers a null image
// when the bytes are not a JPEG that libjpeg can read.
QImage decodeJpeg(const QByteArray& bytes);

// Reads a JPEG file (or a resource such as ":/signin/Image1.jpg") and decodes it.
QImage loadJpeg(const QString& fileName);

}  // namespace zev
