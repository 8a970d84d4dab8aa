#include "mainwindow/InactivityWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>

#include "platform/Guard.h"

InactivityWatch::InactivityWatch(std::function<bool()> counting, std::function<void()> onLimit,
                                 QObject* parent)
    : QObject(parent),
      counting_(std::move(counting)),
      onLimit_(std::move(onLimit)),
      timer_(new QTimer(this)) {
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, platform::command([this] { tick(); }));
    // The count runs whether the program is active or not: away from it, no
    // input reaches it; in front of it, a person who walks away gives none either.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                platform::guarded([&] {
                    if (state == Qt::ApplicationActive) {
                        restart();
                    } else {
                        update();
                    }
                });
            });
    // Every key and mouse input to any window of the program restarts the count.
    qApp->installEventFilter(this);
}

void InactivityWatch::update() {
    if (counting_()) {
        if (!timer_->isActive()) {
            counter_ = 0;
            timer_->start();
        }
    } else {
        timer_->stop();
        counter_ = 0;
    }
}

void InactivityWatch::restart() {
    counter_ = 0;
    update();
}

void InactivityWatch::tick() {
    if (!counting_()) {
        update();
        return;
    }
    if (++counter_ >= kLimit) {
        onLimit_();
    }
}

bool InactivityWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            // Only what the user did, not the moves Qt makes up itself.
            if (event->spontaneous()) {
                counter_ = 0;
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
