// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class LinkTable;

// Bookmarks as browsers keep and exchange them, read into one flat list in the source's order (folders
// flattened), and the link table written out as a bookmarks file browsers import.
//
// Two formats are read here: the HTML bookmarks file every browser exports ("<!DOCTYPE
// NETSCAPE-Bookmark-file-1>") and the JSON "Bookmarks" file of the Chromium family. (A Firefox profile's
// places.sqlite needs the SQL driver and is read outside the core.)
namespace Bookmarks {

struct Bookmark {
    QString title;
    QString address;
    // Where a bookmarks file this program wrote had the link (page 0..8, slot 0..9); -1 when unknown.
    int page = -1;
    int slot = -1;
};

enum class Format { Html, ChromiumJson, Sqlite, Unknown };

// What a file holds, judged from its first bytes.
Format sniff(const QByteArray& head);

// Each returns false, with the reason in `error` (a clause such as "it ends inside a tag on line 12"),
// when the text is not a well-formed file of its format; `out` is then left empty.
bool readHtml(const QByteArray& bytes, QList<Bookmark>& out, QString& error);
bool readChromiumJson(const QByteArray& bytes, QList<Bookmark>& out, QString& error);

// Every link of the table as a bookmarks HTML file in UTF-8, one folder per page that holds links ("Page 1"
// .. "Page 9"), names and addresses escaped. Each link carries its slot, so that reading the file back puts
// it where it was. `count` receives the number of links written.
QByteArray writeHtml(const LinkTable& table, int& count);

} // namespace Bookmarks
