#include "platform/Widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QProxyStyle>
#include <QWidget>

namespace platform {

QColor toQColor(TColor color) {
    if (isSystemColor(color)) {
        const QPalette palette = QApplication::palette();
        switch (systemColorIndex(color)) {
            case 1:   // clBackground
            case 12:  // clAppWorkSpace
            case 5:   // clWindow
                return palette.color(QPalette::Base);
            case 2:   // clActiveCaption
            case 13:  // clHighlight
                return palette.color(QPalette::Highlight);
            case 9:   // clCaptionText
            case 14:  // clHighlightText
                return palette.color(QPalette::HighlightedText);
            case 0:   // clScrollBar
            case 4:   // clMenu
            case 15:  // clBtnFace
            case 10:  // clActiveBorder
            case 11:  // clInactiveBorder
            case 3:   // clInactiveCaption
                return palette.color(QPalette::Button);
            case 7:   // clMenuText
            case 18:  // clBtnText
                return palette.color(QPalette::ButtonText);
            case 16:  // clBtnShadow
            case 21:  // cl3DDkShadow
                return palette.color(QPalette::Dark);
            case 17:  // clGrayText
            case 19:  // clInactiveCaptionText
                return palette.color(QPalette::Disabled, QPalette::Text);
            case 20:  // clBtnHighlight
            case 22:  // cl3DLight
                return palette.color(QPalette::Light);
            case 23:  // clInfoText
                return palette.color(QPalette::ToolTipText);
            case 24:  // clInfoBk
                return palette.color(QPalette::ToolTipBase);
            case 6:  // clWindowFrame
            case 8:  // clWindowText
            default:
                return palette.color(QPalette::Text);
        }
    }
    const quint32 bgr = quint32(color);
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

TColor fromQColor(const QColor& color) {
    if (color == QApplication::palette().color(QPalette::Text)) {
        return clWindowText;
    }
    return TColor(quint32(color.red()) | (quint32(color.green()) << 8) |
                  (quint32(color.blue()) << 16));
}

namespace {

class PasswordCharStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void setPasswordChar(QLineEdit* edit) {
    auto* style = new PasswordCharStyle;
    style->setParent(edit);
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
}

void applyListFont(QWidget* widget, const QFont& font, const QColor& color) {
    widget->setFont(font);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

void setFixedClientSize(QWidget* window, int width, int height) {
    window->setFixedSize(width, height);
}

}  // namespace platform
