#include "mainwindow/SecretClipboard.h"

#include <QTimer>

#include "platform/Guard.h"

SecretClipboard::SecretClipboard(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setObjectName(QStringLiteral("ClipboardTimer"));
    timer_->setSingleShot(true);
    timer_->setInterval(kSeconds * 1000);
    connect(timer_, &QTimer::timeout, this, platform::command([this] { forget(); }));
}

void SecretClipboard::copy(const QString& secret) {
    platform::ui().clearClipboard();
    secret_ = secret;
    platform::ui().setSecretClipboardText(secret_);
    timer_->start();
}

void SecretClipboard::forget() {
    timer_->stop();
    if (secret_.isNull()) {
        return;
    }
    if (platform::ui().clipboardText() == secret_) {
        platform::ui().clearClipboard();
    }
    secret_ = QString();
}
