#pragma once

// Typing as a keyboard does: one key press and release per character, with the character as the
// event's text, so that validators and key handlers see each one.

#include <QString>

class QWidget;

namespace zev::testing {

void typeText(QWidget* widget, const QString& text);

}  // namespace zev::testing
