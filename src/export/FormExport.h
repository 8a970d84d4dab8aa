#pragma once

#include <QDialog>

class TForm1;

// Writes the entries the list shows to a text file or an HTML page.
class TFormExport : public QDialog {
    Q_OBJECT

public:
    explicit TFormExport(TForm1& form1);

private:
    TForm1& form1_;
};
