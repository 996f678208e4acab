// SPDX-License-Identifier: MIT
#include "LinkImport.h"

#include "AddressPolicy.h"
#include "LinkTable.h"

#include <QSet>
#include <QUrl>
#include <array>

namespace LinkImport {

namespace {

// The same address however it is written: the form the tab would open.
QString sameness(const QString& address) {
    const AddressPolicy::Decision decision = AddressPolicy::decide(address);
    return decision.accepted() ? decision.address : address.trimmed();
}

// The text cut to kValueBytes of UTF-8, never inside a character.
QString cutToValue(const QString& text) {
    QString out = text;
    while (out.toUtf8().size() > kValueBytes)
        out.chop(out.size() >= 2 && out.at(out.size() - 1).isLowSurrogate() ? 2 : 1);
    return out;
}

} // namespace

QString nameFor(const Bookmarks::Bookmark& bookmark) {
    QString name = bookmark.title.simplified();
    if (name.isEmpty()) {
        const QUrl url(AddressPolicy::decide(bookmark.address).address);
        name = url.scheme() == QLatin1String("mailto") ? url.path() : url.host();
    }
    return cutToValue(name);
}

Plan plan(const LinkTable& table, const QList<Bookmarks::Bookmark>& bookmarks) {
    Plan result;
    std::array<std::array<bool, LinkTable::kSlots>, LinkTable::kPages> taken{};
    QSet<QString> known;
    for (int p = 0; p < LinkTable::kPages; ++p) {
        for (int s = 0; s < LinkTable::kSlots; ++s) {
            taken[p][s] = table.holdsLink(p, s);
            if (!table.address(p, s).trimmed().isEmpty())
                known.insert(sameness(table.address(p, s)));
        }
    }

    // Which bookmarks may go in at all, and each one's slot hint.
    QList<int> wanted;
    for (int i = 0; i < bookmarks.size(); ++i) {
        const QString address = bookmarks[i].address.trimmed();
        if (!AddressPolicy::decide(address).accepted() || address.toUtf8().size() > kValueBytes)
            continue;
        const QString key = sameness(address);
        if (known.contains(key))
            continue;
        known.insert(key);
        wanted.append(i);
    }

    auto place = [&](int index, int page, int slot) {
        taken[page][slot] = true;
        result.writes.append({page, slot, nameFor(bookmarks[index]), bookmarks[index].address.trimmed()});
        ++result.imported;
    };
    // Links that carry their slot go back there first, so that others cannot take it from them.
    QList<int> rest;
    for (int index : wanted) {
        const Bookmarks::Bookmark& mark = bookmarks[index];
        const bool hinted = mark.page >= 0 && mark.page < LinkTable::kPages && mark.slot >= 0 &&
                            mark.slot < LinkTable::kSlots;
        if (hinted && !taken[mark.page][mark.slot])
            place(index, mark.page, mark.slot);
        else
            rest.append(index);
    }
    int page = 0;
    int slot = 0;
    for (int index : rest) {
        while (page < LinkTable::kPages && taken[page][slot]) {
            if (++slot == LinkTable::kSlots) {
                slot = 0;
                ++page;
            }
        }
        if (page == LinkTable::kPages)
            break;
        place(index, page, slot);
    }
    result.skipped = int(bookmarks.size()) - result.imported;
    return result;
}

} // namespace LinkImport
