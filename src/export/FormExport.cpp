#include "export/FormExport.h"

#include "app/Form1.h"

TFormExport::TFormExport(TForm1& form1) : QDialog(&form1), form1_(form1) {
    setObjectName(QStringLiteral("FormExport"));
    setWindowTitle(QStringLiteral("Export Data"));
}
