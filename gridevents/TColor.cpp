#include "gridevents/TColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace zev {

namespace {

// The palette role that stands for a system colour number; the numbers are the system's own.
QColor systemColor(int number) {
    const QPalette palette = QGuiApplication::palette();
    switch (number) {
        case 1:  // desktop
        case 2:  // active caption
            return palette.color(QPalette::Highlight);
        case 5:  // window
            return palette.color(QPalette::Base);
        case 6:  // window frame
            return palette.color(QPalette::Shadow);
        case 7:  // menu text
        case 8:  // window text
            return palette.color(QPalette::WindowText);
        case 9:   // caption text
        case 14:  // highlighted text
            return palette.color(QPalette::HighlightedText);
        case 13:  // highlight
            return palette.color(QPalette::Highlight);
        case 4:   // menu
        case 15:  // button face
            return palette.color(QPalette::Button);
        case 16:  // button shadow
            return palette.color(QPalette::Dark);
        case 17:  // grey text
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:  // button text
            return palette.color(QPalette::ButtonText);
        case 20:  // button highlight
            return palette.color(QPalette::Light);
        case 21:  // dark shadow
            return palette.color(QPalette::Shadow);
        case 22:  // light
            return palette.color(QPalette::Midlight);
        case 23:  // tooltip text
            return palette.color(QPalette::ToolTipText);
        case 24:  // tooltip background
            return palette.color(QPalette::ToolTipBase);
        default:
            return palette.color(QPalette::Window);
    }
}

}  // namespace

QColor toQColor(TColor color) {
    if ((color & 0xFF000000u) == 0xFF000000u) {
        return systemColor(static_cast<int>(color & 0xFFu));
    }
    return {static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
            static_cast<int>((color >> 16) & 0xFFu)};
}

}  // namespace zev
