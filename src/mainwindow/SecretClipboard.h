#pragma once

#include <QObject>
#include <QString>

class QTimer;

// A copied password: marked secret for clipboard managers, and forgotten
// after a while, at lock and at exit, but only while the clipboard still
// holds it: a newer copy of the user's own is never touched.
class SecretClipboard : public QObject {
    Q_OBJECT

public:
    static constexpr int kSeconds = 30;
    explicit SecretClipboard(QObject* parent);

    void copy(const QString& secret);
    // Empties the clipboard while it still holds the secret.
    void forget();
    // The single-shot timer that forgets the secret; a second copy restarts it.
    QTimer* timer() const { return timer_; }

private:
    QTimer* timer_;
    QString secret_;
};
