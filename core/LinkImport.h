// SPDX-License-Identifier: MIT
#pragma once

#include "Bookmarks.h"
#include "LinkStore.h"

#include <QList>

class LinkTable;

// Where imported bookmarks go in the link table. Bookmarks are taken in their order; only addresses the tab
// opens (AddressPolicy) are taken, and only when the link table does not hold the same address already (nor
// did an earlier bookmark of the same import). Each goes into the first free slot, page 1 slot 1 onward; a
// bookmark that carries its slot (a file this program exported) goes back to that slot when it is free.
// Nothing is ever written over.
namespace LinkImport {

struct Plan {
    QList<LinkStore::SlotText> writes; // what to write, in one save
    int imported = 0;
    int skipped = 0; // already there, not a web address, or no free slot
};

Plan plan(const LinkTable& table, const QList<Bookmarks::Bookmark>& bookmarks);

// The name a bookmark gets: its title, or the server's name (a mail address's recipient) when the title is
// empty; cut to what a link file's value holds.
QString nameFor(const Bookmarks::Bookmark& bookmark);

// The longest text, in bytes of UTF-8, a value of the link file keeps.
inline constexpr int kValueBytes = 254;

} // namespace LinkImport
