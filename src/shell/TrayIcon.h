#pragma once

#include <QObject>
#include <QString>

class TForm1;

// The notification-area icon of the main window.
class TStTrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TStTrayIcon(TForm1* form1);
    void setHint(const QString& hint);
    QString hint() const { return hint_; }

private:
    TForm1* form1_;
    QString hint_;
};
