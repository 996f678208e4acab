// SPDX-License-Identifier: MIT
#include "Timer.h"

#include "TimeScale.h"

Timer::Timer(QObject* parent, int interval, bool enabled, std::function<void()> onTimer)
    : QObject(parent), interval_(interval), enabled_(enabled), onTimer_(std::move(onTimer)) {
    // Every timer ticks at its interval: a coarse one may fire 5 % early, which a 15-second retract would
    // show.
    timer_.setTimerType(Qt::PreciseTimer);
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
    apply();
}

void Timer::fire() {
    if (onTimer_)
        onTimer_();
}

void Timer::apply() {
    if (enabled_ && interval_ > 0)
        timer_.start(TimeScale::scaled(interval_));
    else
        timer_.stop();
}
