#include "general.h"

#include "../platform/KeyProbe.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

void Pause(int16_t seconds) {
    if (seconds <= 0)
        return;
    QDeadlineTimer deadline(static_cast<qint64>(seconds) * 1000, Qt::PreciseTimer);
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

int16_t KeyPressed(KeyProbe* probe, int32_t virtualKey) {
    return probe && probe->pressed(virtualKey) ? -1 : 0;
}
