#pragma once

#include <QDialog>

#include "platform/Ui.h"

class QComboBox;
class QFontDialog;

namespace platform {

// The words of the font dialog that Qt's own translations do not hold: its
// title, the colour label and the seventeen colour names, in the order
// clWindowText, clBlack, ... clWhite. An empty name keeps the English one.
struct FontDialogTexts {
    QString title = QStringLiteral("Font");
    QString color = QStringLiteral("Color:");
    QStringList colorNames;
};
FontDialogTexts& fontDialogTexts();

// Qt's font chooser with a colour choice beside it, as the list font needs
// name, size, style and colour from one dialog.
class FontDialog : public QDialog {
public:
    FontDialog(const FontChoice& initial, QWidget* parent);
    FontChoice choice() const;

private:
    QFontDialog* fonts_;
    QComboBox* colors_;
};

}  // namespace platform
