// SPDX-License-Identifier: MIT
#include "SecondStart.h"

#include "../platform/Instances.h"

namespace SecondStart {
bool handOver(Instances* instances, bool toggleRequested, const QStringList& windowTitles) {
    if (!instances || !(instances->anotherInstanceRunning() ||
                        instances->findWindow(QStringLiteral("Brimvel-Blue"), QStringLiteral("Brimvel"))))
        return false;
    if (!toggleRequested || !instances->tellRunning(QStringLiteral("toggle")))
        instances->bringToFront(windowTitles);
    return true;
}
} // namespace SecondStart
