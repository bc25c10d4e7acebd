// Paints the two background pictures of the authentication window and writes them as JPEG files
// with libjpeg: images/Image1.jpg (the sign-in half) and images/Image2.jpg (the password-change
// half). The hot spots and fields of the window lie over the shapes painted here, so the
// rectangles below follow the window's control positions.
//
// Usage: zev-signin-art <output folder>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

const QColor kInk(0x1d, 0x2a, 0x44);
const QColor kNavy(0x1f, 0x3b, 0x73);

bool writeJpeg(const QImage& source, const QString& fileName, int quality) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);

    bool written = false;
    if (FILE* file = std::fopen(fileName.toLocal8Bit().constData(), "wb")) {
        written = std::fwrite(buffer, 1, size, file) == size;
        written = std::fclose(file) == 0 && written;
    }
    std::free(buffer);
    return written;
}

QFont font(int pixels, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void paintBackground(QPainter& p, const QRect& area) {
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, QColor(0xee, 0xf2, 0xf8));
    gradient.setColorAt(1, QColor(0xd6, 0xdf, 0xec));
    p.fillRect(area, gradient);
}

// The label in front of a field, right-aligned against it.
void fieldLabel(QPainter& p, const QString& text, const QRect& fieldRect) {
    p.setFont(font(12, true));
    p.setPen(kInk);
    p.drawText(QRect(4, fieldRect.top() - 2, fieldRect.left() - 12, fieldRect.height() + 4),
               Qt::AlignRight | Qt::AlignVCenter, text);
    // A frame just outside the borderless white field.
    p.setPen(QPen(QColor(0x7a, 0x8c, 0xa8), 1));
    p.setBrush(Qt::white);
    p.drawRect(fieldRect.adjusted(-2, -2, 1, 1));
}

// A painted button under a flat hot spot of the window.
void button(QPainter& p, const QRect& rect, const QString& caption, const QColor& colour) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, colour.lighter(125));
    gradient.setColorAt(1, colour);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(gradient);
    p.drawPath(path);
    p.setFont(font(11, true));
    p.setPen(Qt::white);
    p.drawText(rect, Qt::AlignCenter, caption);
}

QImage signInHalf() {
    QImage image(497, 278, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBackground(p, image.rect());

    // Title band, below the strip where the version and the update notice are written.
    const QRect band(0, 24, 497, 70);
    QLinearGradient bandGradient(band.topLeft(), band.bottomLeft());
    bandGradient.setColorAt(0, kNavy.lighter(130));
    bandGradient.setColorAt(1, kNavy);
    p.fillRect(band, bandGradient);
    p.setPen(Qt::white);
    p.setFont(font(26, true));
    p.drawText(QRect(0, 28, 497, 34), Qt::AlignCenter, QStringLiteral("ZEV 32"));
    p.setFont(font(13, false));
    p.drawText(QRect(0, 62, 497, 24), Qt::AlignCenter,
               QStringLiteral("Регистратор предметов по выбору"));

    // The message area.
    p.setPen(QPen(QColor(0xb4, 0xc2, 0xd6), 1));
    p.setBrush(QColor(0xfb, 0xfc, 0xfe));
    p.drawRoundedRect(QRectF(52.5, 102.5, 344, 87), 6, 6);

    fieldLabel(p, QStringLiteral("Логин:"), QRect(146, 202, 187, 21));
    fieldLabel(p, QStringLiteral("Пароль:"), QRect(146, 238, 187, 21));
    button(p, QRect(349, 200, 55, 20), QStringLiteral("Войти"), QColor(0x2e, 0x7d, 0x32));
    button(p, QRect(418, 199, 67, 22), QStringLiteral("Выход"), QColor(0xa8, 0x32, 0x32));
    button(p, QRect(346, 236, 139, 22), QStringLiteral("Сменить пароль"), kNavy.lighter(115));
    return image;
}

QImage changeHalf() {
    QImage image(497, 139, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBackground(p, image.rect());
    p.setPen(QPen(kNavy, 2));
    p.drawLine(10, 2, 487, 2);
    p.setFont(font(12, true));
    p.setPen(kNavy);
    p.drawText(QRect(10, 8, 477, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Смена пароля"));

    // Field positions relative to this half, which starts 277 pixels down the window.
    fieldLabel(p, QStringLiteral("Новый пароль:"), QRect(148, 32, 186, 21));
    fieldLabel(p, QStringLiteral("Повторите:"), QRect(148, 68, 186, 21));

    p.setFont(font(11, false));
    p.setPen(kInk);
    p.drawText(QRect(346, 28, 142, 66), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
               QStringLiteral("Латинские буквы, цифры и знак «_», не менее 6 символов"));
    p.drawText(QRect(10, 100, 477, 30), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("Введите новый пароль дважды и нажмите «Войти»"));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zev-signin-art <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool ok = writeJpeg(signInHalf(), folder + QStringLiteral("/Image1.jpg"), 90) &&
                    writeJpeg(changeHalf(), folder + QStringLiteral("/Image2.jpg"), 90);
    if (!ok) {
        std::fprintf(stderr, "zev-signin-art: cannot write the pictures into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
