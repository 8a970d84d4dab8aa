#include "shell/TrayIcon.h"

#include "app/Form1.h"

TStTrayIcon::TStTrayIcon(TForm1* form1) : QObject(form1), form1_(form1) {}

void TStTrayIcon::setHint(const QString& hint) {
    hint_ = hint.left(63);
}
