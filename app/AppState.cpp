#include "AppState.h"

QString LinkGrid::text(int page, int kind, int slot) const {
    if (page < 0 || page >= kPages || kind < 0 || kind > 1)
        return {};
    const QStringList& list = cells[static_cast<size_t>(page)][static_cast<size_t>(kind)];
    return slot >= 0 && slot < list.size() ? list.at(slot) : QString();
}
