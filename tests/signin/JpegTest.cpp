// Decoding the background pictures with libjpeg.

#include "signin/JpegImage.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

static void initSignInResources() {
    Q_INIT_RESOURCE(signin);
}

namespace zev::testing {
namespace {

QByteArray resource(const QString& name) {
    initSignInResources();
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Jpeg, DecodesTheBackgroundPicturesAtTheirSizes) {
    const QImage signInHalf = decodeJpeg(resource(QStringLiteral(":/signin/Image1.jpg")));
    EXPECT_EQ(signInHalf.size(), QSize(497, 278));
    const QImage changeHalf = loadJpeg(QStringLiteral(":/signin/Image2.jpg"));
    EXPECT_EQ(changeHalf.size(), QSize(497, 139));
    // The fields' places are painted white.
    EXPECT_GT(signInHalf.pixelColor(240, 212).lightness(), 240);
}

TEST(Jpeg, AgreesWithAnotherDecoderOnColours) {
    // A picture with known colour blocks, encoded by Qt's own writer.
    QImage source(64, 32, QImage::Format_RGB32);
    source.fill(QColor(200, 30, 40));
    for (int y = 0; y < 32; ++y) {
        for (int x = 32; x < 64; ++x) {
            source.setPixelColor(x, y, QColor(20, 160, 60));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!source.save(&buffer, "JPG", 95)) {
        GTEST_SKIP() << "Qt has no JPEG writer here";
    }
    const QImage decoded = decodeJpeg(bytes);
    ASSERT_EQ(decoded.size(), source.size());
    const QColor left = decoded.pixelColor(10, 10);
    const QColor right = decoded.pixelColor(50, 10);
    EXPECT_NEAR(left.red(), 200, 8);
    EXPECT_NEAR(left.green(), 30, 8);
    EXPECT_NEAR(right.green(), 160, 8);
    EXPECT_NEAR(right.blue(), 60, 8);
}

TEST(Jpeg, AnythingElseGivesANullImage) {
    EXPECT_TRUE(decodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(decodeJpeg(QByteArray("not a picture at all")).isNull());
    EXPECT_TRUE(loadJpeg(QStringLiteral(":/signin/no-such.jpg")).isNull());
}

}  // namespace
}  // namespace zev::testing
