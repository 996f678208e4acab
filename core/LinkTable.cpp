// SPDX-License-Identifier: MIT
#include "LinkTable.h"

#include "PrivateProfile.h"

QString LinkTable::text(int page, int kind, int slot) const {
    if (page < 0 || page >= kPages || kind < 0 || kind > 1)
        return {};
    const QStringList& list = cells_[static_cast<size_t>(page)][static_cast<size_t>(kind)];
    return slot >= 0 && slot < list.size() ? list.at(slot) : QString();
}

void LinkTable::load(const QString& path) {
    // One reading of the file serves the 180 reads below, and they all see the same state of it.
    const PrivateProfile::Snapshot snapshot(path);
    for (int p = 0; p < kPages; ++p) {
        QStringList names(kSlots, QString());
        QStringList addresses(kSlots, QString());
        for (int s = 0; s < kSlots; ++s) {
            reader_.setPath(path);
            reader_.setSection(QString::number(p));
            reader_.setKey(QStringLiteral("name") + QString::number(s));
            names[s] = reader_.Value();
            reader_.setKey(QStringLiteral("url") + QString::number(s));
            addresses[s] = reader_.Value();
        }
        cells_[static_cast<size_t>(p)][0] = names;
        cells_[static_cast<size_t>(p)][1] = addresses;
    }
}

void LinkTable::setCell(int page, int kind, const QStringList& texts) {
    if (page >= 0 && page < kPages && kind >= 0 && kind <= 1)
        cells_[static_cast<size_t>(page)][static_cast<size_t>(kind)] = texts;
}

bool LinkTable::holdsLink(int page, int slot) const {
    return !name(page, slot).trimmed().isEmpty() || !address(page, slot).trimmed().isEmpty();
}

int LinkTable::firstFreeSlot(int page) const {
    for (int s = 0; s < kSlots; ++s) {
        if (!holdsLink(page, s))
            return s;
    }
    return -1;
}
