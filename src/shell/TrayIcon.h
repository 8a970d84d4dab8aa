#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>

class QMenu;
class QTimer;
class QWidget;

// The notification-area icon of the main window, present for the whole run
// where the desktop has a notification area.
class TStTrayIcon : public QObject {
    Q_OBJECT

public:
    // window: the main window it hides and shows; menu: the icon's menu;
    // loggedIn: whether a window hidden in a tray that goes away comes back
    // minimized (nobody logged in: it stays hidden).
    TStTrayIcon(QWidget* window, QMenu* menu, std::function<bool()> loggedIn);

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

    // Follows the desktop's notification area, which can go away and come
    // back while the program runs (a panel restarted or removed): without it
    // a window hidden there comes back minimized to the taskbar, and once it
    // is back the icon shows again. The desktop sends no notice of this, so
    // a slow timer asks.
    void CheckTray();
    QTimer* TrayCheckTimer = nullptr;

Q_SIGNALS:
    void OnClick();
    void OnDblClick();

private:
    QWidget* form1_;
    std::function<bool()> loggedIn_;
    QSystemTrayIcon* icon_;
    QString hint_;
    bool active_;
    int restores_ = 0;
};
