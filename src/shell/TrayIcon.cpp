#include "shell/TrayIcon.h"

#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QTimer>

#include "platform/Ui.h"

TStTrayIcon::TStTrayIcon(QWidget* window, QMenu* menu, std::function<bool()> loggedIn)
    : QObject(window),
      form1_(window),
      loggedIn_(std::move(loggedIn)),
      icon_(new QSystemTrayIcon(this)),
      active_(platform::ui().trayAvailable()) {
    QIcon image = QApplication::windowIcon();
    if (image.isNull()) {
        image = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    }
    icon_->setIcon(image);
    icon_->setContextMenu(menu);
    connect(icon_, &QSystemTrayIcon::activated, this, &TStTrayIcon::activate);
    if (active_) {
        icon_->show();
    }
    TrayCheckTimer = new QTimer(this);
    TrayCheckTimer->setObjectName(QStringLiteral("TrayCheckTimer"));
    TrayCheckTimer->setInterval(5000);
    connect(TrayCheckTimer, &QTimer::timeout, this, &TStTrayIcon::CheckTray);
    TrayCheckTimer->start();
}

void TStTrayIcon::CheckTray() {
    const bool available = platform::ui().trayAvailable();
    if (available == active_) {
        return;
    }
    active_ = available;
    if (active_) {
        icon_->show();
        return;
    }
    icon_->hide();
    // Hidden in a tray that is gone: the taskbar is the way back now. While
    // locked its contents stay hidden and restoring it asks for the password.
    if (loggedIn_() && !form1_->isVisible()) {
        form1_->showMinimized();
    }
}

void TStTrayIcon::setHint(const QString& hint) {
    hint_ = hint.left(63);
    icon_->setToolTip(hint_);
}

void TStTrayIcon::activate(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::MiddleClick:
            Q_EMIT OnClick();
            break;
        case QSystemTrayIcon::DoubleClick:
            Q_EMIT OnDblClick();
            break;
        default:
            break;  // the context menu opens by itself
    }
}

void TStTrayIcon::MinimizeApplication() {
    // Posted, as a minimize command is: the window goes once the loop runs again.
    QTimer::singleShot(0, form1_, [this, restores = restores_] {
        if (restores != restores_) {
            return;  // brought back before the loop ran: the later command wins
        }
        if (active_) {
            form1_->hide();
        } else {
            form1_->showMinimized();
        }
    });
}

void TStTrayIcon::RestoreApplication() {
    ++restores_;
    if (form1_->isMinimized()) {
        form1_->showNormal();
    }
    form1_->show();
    form1_->raise();
    form1_->activateWindow();
}
