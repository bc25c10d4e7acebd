#include "widgets/Clipboard.h"
#include "widgets/Fonts.h"

#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

namespace zev::testing {

TEST(ClipboardTest, GridDataTravelsByteForByteAndReplacesText) {
    QGuiApplication::clipboard()->setText(QStringLiteral("plain text"));
    EXPECT_FALSE(zev::Clipboard::instance().read().has_value());

    const QByteArray payload(
        "12\x01"
        "7\x01\x02"
        "\xc0\xe1\x01\x02",
        10);
    zev::Clipboard::instance().write(payload);
    const std::optional<QByteArray> back = zev::Clipboard::instance().read();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, payload);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(
        QStringLiteral("application/x-qt-windows-mime;value=\"Data Base Edit Data\"")));
}

TEST(ClipboardTest, AnInstalledClipboardServesEveryCaller) {
    struct Recording final : zev::Clipboard {
        QByteArray bytes;
        std::optional<QByteArray> read() override { return bytes; }
        void write(const QByteArray& b) override { bytes = b; }
    } recording;
    zev::Clipboard::install(&recording);
    zev::Clipboard::instance().write("\x02");
    EXPECT_EQ(recording.bytes, QByteArray("\x02"));
    zev::Clipboard::install(nullptr);
    EXPECT_NE(&zev::Clipboard::instance(), &recording);
}

TEST(FontsTest, MsSansSerifEightPointBecomesAnElevenPixelSansSerif) {
    const QFont font = zev::defaultUiFont();
    EXPECT_EQ(font.pixelSize(), 11);
    const QFontInfo shown(font);
    EXPECT_NE(shown.family().compare(QStringLiteral("MS Sans Serif"), Qt::CaseInsensitive), 0);
    EXPECT_FALSE(shown.fixedPitch());
    EXPECT_EQ(zev::pixelHeightOfPoints(10), 13);
    EXPECT_EQ(zev::legacyFont(QStringLiteral("DejaVu Sans"), 8).family(),
              QStringLiteral("DejaVu Sans"));
}

}  // namespace zev::testing
