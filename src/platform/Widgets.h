#pragma once

#include <QColor>
#include <QFont>

#include "platform/Colors.h"

class QKeyEvent;
class QLineEdit;
class QMessageBox;
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

// The width a window needs to show its whole title beside the title bar's
// icon and buttons.
int titleWidth(const QWidget* window);
// Sizes a window to the texts it holds now, never below its design size nor
// narrower than its title; a fixed window stays fixed at that size. Run again
// after every change of its texts.
void fitToTexts(QWidget* window, QSize designSize, bool fixed = true);
// A message box sizes itself when shown; this keeps it as wide as its title.
void fitTitle(QMessageBox* box);

// Enter on a focused push button presses it, as Space does; true when it did.
// A dialog with no default button calls this from its key handler.
bool pressFocusedButton(QWidget* dialog, QKeyEvent* event);

// Qt's own words (standard buttons, file and font dialogs) in a language:
// "ru", "zh_CN"; an empty name leaves them in English.
void setQtTranslation(const QString& locale);

// A dialog, box or pop-up menu of the application is open.
bool modalOpen();

// The wait cursor while a slow step (the key derivation) holds the window.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace platform
