#pragma once

#include <QDialog>

#include "platform/Ui.h"

class QComboBox;
class QFontDialog;

namespace platform {

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
