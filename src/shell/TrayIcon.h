#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

class TForm1;

// The notification-area icon of the main window, present for the whole run
// where the desktop has a notification area.
class TStTrayIcon : public QObject {
    Q_OBJECT

public:
    explicit TStTrayIcon(TForm1* form1);

    // The tooltip: at most its first 63 characters are shown.
    void setHint(const QString& hint);
    QString hint() const { return hint_; }
    // False on desktops without a notification area: no icon is shown there.
    bool active() const { return active_; }
    QSystemTrayIcon* icon() const { return icon_; }

    // Hides the main window in the tray (once the event loop runs again).
    void MinimizeApplication();
    // Shows the main window again, in front and active.
    void RestoreApplication();

    // A press or double-click on the icon, as the desktop reports it.
    void activate(QSystemTrayIcon::ActivationReason reason);

Q_SIGNALS:
    void OnClick();
    void OnDblClick();

private:
    TForm1* form1_;
    QSystemTrayIcon* icon_;
    QString hint_;
    bool active_;
};
