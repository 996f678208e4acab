#include "Timer.h"

Timer::Timer(QObject* parent, int interval, bool enabled, std::function<void()> onTimer)
    : QObject(parent), interval_(interval), enabled_(enabled), onTimer_(std::move(onTimer)) {
    // Short intervals must tick at their interval, not at the coarse default accuracy.
    timer_.setTimerType(interval < 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { fire(); });
    apply();
}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    apply();
}

void Timer::setInterval(int interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    timer_.setTimerType(interval < 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
    apply();
}

void Timer::fire() {
    if (onTimer_)
        onTimer_();
}

void Timer::apply() {
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}
