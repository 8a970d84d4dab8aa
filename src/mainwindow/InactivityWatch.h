#pragma once

#include <QObject>
#include <functional>

class QTimer;

// Counts the seconds without input to any window of the program while
// counting() holds, and calls onLimit when they reach the limit.
class InactivityWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int kLimit = 300;
    InactivityWatch(std::function<bool()> counting, std::function<void()> onLimit, QObject* parent);

    // The count runs exactly while counting() holds: call after it may have changed.
    void update();
    // Input, or the program made active: the count starts again.
    void restart();
    // One second (the timer's tick).
    void tick();
    int counter() const { return counter_; }
    QTimer* timer() const { return timer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> counting_;
    std::function<void()> onLimit_;
    QTimer* timer_;
    int counter_ = 0;
};
