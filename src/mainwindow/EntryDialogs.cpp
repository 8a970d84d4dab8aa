#include "mainwindow/EntryDialogs.h"

#include "app/Form1.h"

TEntryDialog::TEntryDialog(TForm1& form1, bool editing) : QDialog(&form1), form1_(form1) {
    setWindowTitle(editing ? QStringLiteral("Edit Data") : QStringLiteral("Add Data"));
}

TFormAdd::TFormAdd(TForm1& form1) : TEntryDialog(form1, false) {
    setObjectName(QStringLiteral("FormAdd"));
}

TFormEdit::TFormEdit(TForm1& form1) : TEntryDialog(form1, true) {
    setObjectName(QStringLiteral("FormEdit"));
}
