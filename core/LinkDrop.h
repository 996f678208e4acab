// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

class QMimeData;

// What a drag offers the tab: a web or mail address, with the page's title where the drag carries one.
// Read from, in this order of preference,
//   text/x-moz-url  the address and the title on two lines, in UTF-16 (with or without a byte order mark;
//                   UTF-8 is taken too),
//   _NETSCAPE_URL   the address and the title on two lines, in UTF-8,
//   text/uri-list   the first address of the list (comment lines skipped),
//   text/plain      the whole text, when it is one address and nothing else.
// The first of these the drag carries decides: a list whose first entry is a file, or a text that is not an
// address, is nothing to drop. An address here is what the program would open (http, https, ftp or mailto,
// see AddressPolicy) written without spaces; whether the link editor takes it is the editor's business.
// Files, pictures and other data are nothing to drop. Only Qt Core is used here.
namespace LinkDrop {

struct Link {
    QString address;
    QString title; // empty when the drag carries none
};

std::optional<Link> read(const QMimeData* data);

// Whether `text` (spaces around it aside) is one address.
bool isAddress(const QString& text);

} // namespace LinkDrop
