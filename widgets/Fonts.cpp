#include "widgets/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace zev {

namespace {

// Sans-serif faces in order of preference: Liberation Sans keeps Arial's metrics, which are the
// closest to the old bitmap face among the free faces; DejaVu Sans is wider but always present.
const QStringList& sansSerifCandidates() {
    static const QStringList faces{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                   QStringLiteral("DejaVu Sans")};
    return faces;
}

QString availableSansSerif() {
    const QStringList installed = QFontDatabase::families();
    for (const QString& face : sansSerifCandidates()) {
        if (installed.contains(face, Qt::CaseInsensitive)) {
            return face;
        }
    }
    return {};  // the style hint below picks the system's sans-serif face
}

bool isRetiredBitmapFace(const QString& face) {
    return face.compare(QStringLiteral("MS Sans Serif"), Qt::CaseInsensitive) == 0 ||
           face.compare(QStringLiteral("MS Shell Dlg"), Qt::CaseInsensitive) == 0;
}

}  // namespace

int pixelHeightOfPoints(int pointSize) {
    return (pointSize * 96 + 36) / 72;
}

QFont legacyFont(const QString& face, int pointSize) {
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    if (isRetiredBitmapFace(face)) {
        const QString standIn = availableSansSerif();
        if (!standIn.isEmpty()) {
            font.setFamilies({standIn});
        }
    } else {
        font.setFamilies({face});
    }
    font.setPixelSize(pixelHeightOfPoints(pointSize));
    return font;
}

QFont defaultUiFont() {
    return legacyFont(QStringLiteral("MS Sans Serif"), 8);
}

}  // namespace zev
