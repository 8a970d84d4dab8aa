#include "platform/Widgets.h"

#include <QGuiApplication>

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QTranslator>
#include <QWidget>
#include <memory>

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

int titleWidth(const QWidget* window) {
    // Window managers draw titles in a bold face of about the system font;
    // the icon and three buttons take the rest.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(window->windowTitle()) + 120;
}

void fitToTexts(QWidget* window, QSize designSize, bool fixed) {
    // Size hints are cached per widget and layout: drop them all, as a window
    // that is not shown gets no layout request of its own.
    for (QWidget* child : window->findChildren<QWidget*>()) {
        child->updateGeometry();
    }
    if (QLayout* layout = window->layout()) {
        layout->invalidate();
        layout->activate();
    }
    const QSize size = window->sizeHint()
                           .expandedTo(window->minimumSizeHint())
                           .expandedTo(designSize)
                           .expandedTo(QSize(titleWidth(window), 0));
    if (fixed) {
        window->setFixedSize(size);
    } else {
        window->setMinimumSize(size);
        window->resize(window->size().expandedTo(size));
    }
}

void fitTitle(QMessageBox* box) {
    // The button row spans the whole box, so its width bounds the box's.
    if (auto* buttons = box->findChild<QDialogButtonBox*>()) {
        const QMargins margins = box->layout() ? box->layout()->contentsMargins() : QMargins();
        buttons->setMinimumWidth(titleWidth(box) - margins.left() - margins.right());
    }
}

bool pressFocusedButton(QWidget* dialog, QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        return false;
    }
    auto* button = qobject_cast<QPushButton*>(dialog->focusWidget());
    if (!button || !button->isEnabled() || !button->isVisible()) {
        return false;
    }
    event->accept();
    button->click();
    return true;
}

void setQtTranslation(const QString& locale) {
    static std::unique_ptr<QTranslator> installed;
    static QString current;
    if (locale == current) {
        return;
    }
    current = locale;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (locale.isEmpty()) {
        return;
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_") + locale,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
    }
}

bool modalOpen() {
    return QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace platform
