// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Writes to the link file: one slot's name and address, a removal, a swap of two slots. Every change
// leaves the file as it was, byte for byte, when it cannot be completed.
class LinkStore {
public:
    enum class Result {
        Saved,
        Unsaved,     // nothing was written; the file is as it was
        NotRestored, // part was written and the file could not be put back
    };

    explicit LinkStore(QString path) : path_(std::move(path)) {}
    const QString& path() const { return path_; }

    // Page 0..8, slot 0..9.
    Result save(int page, int slot, const QString& name, const QString& address);
    Result remove(int page, int slot);
    // Exchanges two slots (an empty slot moves the other into it).
    Result swap(int pageA, int slotA, int pageB, int slotB);

private:
    QString path_;
};
