// SPDX-License-Identifier: MIT
#pragma once

#include "../../core/Bookmarks.h"

#include <QList>
#include <QString>

// The bookmarks of a Firefox profile's places.sqlite, in the order the browser shows them (the menu, the
// toolbar, other and mobile bookmarks, each folder depth first), tags left out. The database is read from a
// copy (with its write-ahead log), so a browser that has it open neither blocks the reading nor sees it.
namespace PlacesDatabase {

// False, with the reason in `error`, when the file cannot be copied, is not a places database or is
// damaged; `out` is then empty.
bool read(const QString& path, QList<Bookmarks::Bookmark>& out, QString& error);

} // namespace PlacesDatabase
