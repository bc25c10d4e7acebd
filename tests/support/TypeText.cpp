#include "TypeText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace zev::testing {

void typeText(QWidget* widget, const QString& text) {
    // QTest::keyClicks passes each character on as Latin-1, which drops Cyrillic letters; here
    // each character travels as the text of an unknown key.
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

}  // namespace zev::testing
