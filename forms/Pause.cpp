// SPDX-License-Identifier: MIT
#include "Pause.h"

#include "../core/TimeScale.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

void Pause(int16_t seconds) {
    if (seconds <= 0)
        return;
    QDeadlineTimer deadline(TimeScale::scaled(seconds * 1000), Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
}
