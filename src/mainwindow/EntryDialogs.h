#pragma once

#include <QDialog>

class TForm1;

// The add and edit dialogs share their layout.
class TEntryDialog : public QDialog {
    Q_OBJECT

public:
    TEntryDialog(TForm1& form1, bool editing);

protected:
    TForm1& form1_;
};

class TFormAdd : public TEntryDialog {
    Q_OBJECT

public:
    explicit TFormAdd(TForm1& form1);
};

class TFormEdit : public TEntryDialog {
    Q_OBJECT

public:
    explicit TFormEdit(TForm1& form1);
};
