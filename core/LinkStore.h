// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Writes to the link file: one slot's name and address, a removal, a swap of two slots, or a whole set of
// slots at once. Every change is one rewrite of the file: it is made whole or, when it cannot be, the file
// stays byte for byte as it was. A file too large for the INI layer (PrivateProfile::maxFileSize) is never
// written: every change to it is Unsaved.
class LinkStore {
public:
    enum class Result {
        Saved,
        Unsaved, // nothing was written; the file is as it was
        Changed, // nothing was written: the file no longer held what the change was planned on
    };

    // What one slot is to hold; an empty name and address clear the slot.
    struct SlotText {
        int page = 0; // 0..8
        int slot = 0; // 0..9
        QString name;
        QString address;
    };

    explicit LinkStore(QString path) : path_(std::move(path)) {}
    const QString& path() const { return path_; }

    // Page 0..8, slot 0..9.
    Result save(int page, int slot, const QString& name, const QString& address);
    // Deletes the slot's two keys.
    Result remove(int page, int slot);
    // Exchanges two slots (an empty slot moves the other into it).
    Result swap(int pageA, int slotA, int pageB, int slotB);
    // Every slot of the list, in one rewrite; with `expected`, only while the file holds exactly those bytes
    // (Changed when it no longer does).
    Result write(const QList<SlotText>& texts, const std::optional<QByteArray>& expected = std::nullopt);

    // The text stored for a value so that it reads back as itself: the reader takes one pair of matching
    // quotes around a value away, so a value that begins and ends with the same quote gets one more pair.
    static QString storedText(const QString& value);

private:
    QString path_;
};
