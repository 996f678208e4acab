// SPDX-License-Identifier: MIT
#include "SlidePacer.h"

#include "../core/TimeScale.h"
#include "../forms/Runtime.h"

#include <QEventLoop>
#include <QTimer>

SlidePacer::SlidePacer() {
    clock_.start();
}

void SlidePacer::yield(bool endOfStep) {
    Runtime::DoEvents();
    if (!endOfStep)
        return;
    ++steps_;
    const qint64 due = TimeScale::scaledNs(static_cast<qint64>(steps_) * kStepMicroseconds * 1000);
    const qint64 wait = (due - clock_.nsecsElapsed()) / 1000000;
    if (wait > 0) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(wait), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}
