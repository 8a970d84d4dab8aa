#pragma once

#include <QDialog>

// The program's information window.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent);
};
