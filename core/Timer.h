// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// A form timer: ticks every Interval milliseconds while Enabled; an interval of 0 means no ticks, whatever
// the enabled state. Enabling a timer that already runs leaves its count alone. Qt never re-enters a tick
// handler that is still running (for example one that waits in Pause), which keeps nested ticks of one timer
// out.
class Timer : public QObject {
public:
    Timer(QObject* parent, int interval, bool enabled, std::function<void()> onTimer);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int Interval() const { return interval_; }
    void setInterval(int interval);

    // Runs one tick now, as the timer would.
    void fire();

private:
    void apply();

    QTimer timer_;
    int interval_;
    bool enabled_;
    std::function<void()> onTimer_;
};
