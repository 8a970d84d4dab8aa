#pragma once

#include <QColor>
#include <QFont>

#include "platform/Colors.h"

class QLineEdit;
class QWidget;

namespace platform {

// A stored colour as the widgets show it; system colours follow the palette.
QColor toQColor(TColor color);
// A chosen colour as it is stored: a basic colour by its value, the palette's
// window text as clWindowText.
TColor fromQColor(const QColor& color);

// Shows every character of a password field as "*".
void setPasswordChar(QLineEdit* edit);

// Gives a widget the list font: name, size and colour.
void applyListFont(QWidget* widget, const QFont& font, const QColor& color);

// Sizes a window's client area and keeps it from being resized.
void setFixedClientSize(QWidget* window, int width, int height);

}  // namespace platform
