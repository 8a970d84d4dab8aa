#include "shell/DesktopLock.h"

#ifdef VORREL_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

QString login1() {
    return QStringLiteral("org.freedesktop.login1");
}

// logind announces a Lock of the session (loginctl lock-session, a lock key
// the desktop leaves to logind) on the session's own object, found first.
void listenToSessionLock(const QDBusConnection& bus, DesktopLock* receiver) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        login1(), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"));
    // "auto": the session the program runs in, or else the user's graphical one.
    call << QStringLiteral("auto");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), receiver);
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, receiver,
        [bus = QDBusConnection(bus), receiver](QDBusPendingCallWatcher* finished) mutable {
            finished->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> session = *finished;
            if (!session.isError()) {
                bus.connect(login1(), session.value().path(),
                            QStringLiteral("org.freedesktop.login1.Session"),
                            QStringLiteral("Lock"), receiver, SIGNAL(locked()));
            }
        });
}

}  // namespace
#endif

DesktopLock::DesktopLock(QObject* parent) : QObject(parent) {
#ifdef VORREL_DBUS
    // Screen lockers differ in their names and object paths; the interface
    // is what they share, so any sender on the user's own bus is heard.
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        for (const QString& screenSaver : {QStringLiteral("org.freedesktop.ScreenSaver"),
                                           QStringLiteral("org.gnome.ScreenSaver")}) {
            session.connect(QString(), QString(), screenSaver, QStringLiteral("ActiveChanged"),
                            this, SLOT(screenSaverActive(bool)));
        }
    }
    // On the system bus only logind itself is heard.
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        system.connect(login1(), QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"),
                       QStringLiteral("PrepareForSleep"), this, SLOT(preparingForSleep(bool)));
        listenToSessionLock(system, this);
    }
#endif
}

void DesktopLock::screenSaverActive(bool active) {
    if (active) {
        Q_EMIT locked();
    }
}

void DesktopLock::preparingForSleep(bool start) {
    if (start) {
        Q_EMIT locked();
    }
}
