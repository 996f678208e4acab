// SPDX-License-Identifier: MIT
#pragma once

#include "cInifile.h"

#include <QString>
#include <QStringList>
#include <array>

// The link table: nine pages by two kinds (0 display names, 1 addresses), each cell a list of ten texts, read
// whole from the link file.
class LinkTable {
public:
    static constexpr int kPages = 9;
    static constexpr int kSlots = 10;

    // The text of slot s on page p (kind 0 name, 1 address); empty when the cell holds no list.
    QString text(int page, int kind, int slot) const;
    QString name(int page, int slot) const { return text(page, 0, slot); }
    QString address(int page, int slot) const { return text(page, 1, slot); }
    // Whether the slot holds anything: a name or an address that is more than spaces. A slot that holds
    // nothing is free for a new link; one that holds something is never written over by an import or a move.
    bool holdsLink(int page, int slot) const;
    // The first free slot of a page, or -1 when the page is full.
    int firstFreeSlot(int page) const;

    // Fills the table from the link file: sections "0".."8", keys "name0".."name9" and "url0".."url9".
    void load(const QString& path);

    // One cell's list.
    const QStringList& cell(int page, int kind) const { return cells_.at(page).at(kind); }
    // Replaces one cell's list (tests and fixtures).
    void setCell(int page, int kind, const QStringList& texts);

private:
    std::array<std::array<QStringList, 2>, kPages> cells_;
    cInifile reader_;
};
