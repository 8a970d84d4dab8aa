#include "platform/FontDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "platform/Colors.h"
#include "platform/Widgets.h"

namespace platform {

FontDialogTexts& fontDialogTexts() {
    static FontDialogTexts texts;
    return texts;
}

FontDialog::FontDialog(const FontChoice& initial, QWidget* parent) : QDialog(parent) {
    const FontDialogTexts& texts = fontDialogTexts();
    setWindowTitle(texts.title);
    fonts_ = new QFontDialog(initial.font, this);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);

    colors_ = new QComboBox(this);
    colors_->setObjectName(QStringLiteral("FontColor"));
    bool found = false;
    int index = 0;
    for (const char* name : {"clWindowText", "clBlack", "clMaroon", "clGreen", "clOlive", "clNavy",
                             "clPurple", "clTeal", "clGray", "clSilver", "clRed", "clLime",
                             "clYellow", "clBlue", "clFuchsia", "clAqua", "clWhite"}) {
        const QColor color = toQColor(*StringToColor(name));
        QPixmap swatch(16, 16);
        swatch.fill(color);
        const QString shown = texts.colorNames.value(index++);
        colors_->addItem(QIcon(swatch), shown.isEmpty() ? QString::fromLatin1(name).mid(2) : shown,
                         color);
        if (color == initial.color && !found) {
            colors_->setCurrentIndex(colors_->count() - 1);
            found = true;
        }
    }
    if (!found) {
        QPixmap swatch(16, 16);
        swatch.fill(initial.color);
        colors_->addItem(QIcon(swatch), initial.color.name(), initial.color);
        colors_->setCurrentIndex(colors_->count() - 1);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(texts.color, this));
    colorRow->addWidget(colors_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

FontChoice FontDialog::choice() const {
    FontChoice result;
    result.font = fonts_->currentFont();
    result.color = colors_->currentData().value<QColor>();
    return result;
}

}  // namespace platform
