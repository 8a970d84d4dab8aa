#pragma once

#include <QObject>

// Tells when the desktop locks the screen or the machine is about to sleep,
// as the desktop announces it on D-Bus: a screen saver's ActiveChanged(true)
// on the session bus; logind's PrepareForSleep(true) and the Lock of this
// program's session on the system bus. A missing bus, or nobody announcing
// anything, is normal and stays silent. Without D-Bus (Windows) it never fires.
class DesktopLock : public QObject {
    Q_OBJECT

public:
    explicit DesktopLock(QObject* parent);

Q_SIGNALS:
    void locked();

private Q_SLOTS:
    // The buses' signals with their arguments: true means locking or sleeping.
    void screenSaverActive(bool active);
    void preparingForSleep(bool start);
};
