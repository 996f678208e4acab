// SPDX-License-Identifier: MIT
#include "LinkStore.h"

#include "LinkFileLocation.h"
#include "LinkTable.h"
#include "PrivateProfile.h"

namespace {

QString nameKey(int slot) {
    return QStringLiteral("name") + QString::number(slot);
}
QString urlKey(int slot) {
    return QStringLiteral("url") + QString::number(slot);
}

bool validSlot(int page, int slot) {
    return page >= 0 && page < LinkTable::kPages && slot >= 0 && slot < LinkTable::kSlots;
}

// The edit that stores a value, or removes the key for an empty one.
PrivateProfile::Edit put(int page, const QString& key, const QString& value) {
    PrivateProfile::Edit edit{QString::number(page), key, std::nullopt};
    if (!value.isEmpty())
        edit.text = LinkStore::storedText(value);
    return edit;
}

} // namespace

QString LinkStore::storedText(const QString& value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

LinkStore::Result LinkStore::write(const QList<SlotText>& texts, const std::optional<QByteArray>& expected) {
    QList<PrivateProfile::Edit> edits;
    for (const SlotText& s : texts) {
        if (!validSlot(s.page, s.slot))
            return Result::Unsaved;
        edits.append(put(s.page, nameKey(s.slot), s.name));
        edits.append(put(s.page, urlKey(s.slot), s.address));
    }
    if (edits.isEmpty())
        return Result::Saved;
    LinkFileLocation::makeFolderFor(path_);
    if (PrivateProfile::writeStrings(edits, path_, expected))
        return Result::Saved;
    return expected && PrivateProfile::fileBytes(path_) != *expected ? Result::Changed : Result::Unsaved;
}

LinkStore::Result LinkStore::save(int page, int slot, const QString& name, const QString& address) {
    // A slot is saved with both texts; an empty one would read as no link at all.
    if (name.isEmpty() || address.isEmpty())
        return Result::Unsaved;
    return write({SlotText{page, slot, name, address}});
}

LinkStore::Result LinkStore::remove(int page, int slot) {
    return write({SlotText{page, slot, QString(), QString()}});
}

LinkStore::Result LinkStore::swap(int pageA, int slotA, int pageB, int slotB) {
    if (!validSlot(pageA, slotA) || !validSlot(pageB, slotB))
        return Result::Unsaved;
    LinkTable table;
    table.load(path_);
    return write({SlotText{pageA, slotA, table.name(pageB, slotB), table.address(pageB, slotB)},
                  SlotText{pageB, slotB, table.name(pageA, slotA), table.address(pageA, slotA)}});
}
