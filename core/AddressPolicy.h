// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Which addresses the program takes: web and mail addresses only (http, https, ftp, mailto, in any letter
// case), with no control characters and not starting with '-'. One policy for the three ways an address comes
// in or goes out: the tab opens only these, the link editor saves only these, and a drop takes only these. A
// link file from someone else must never make the desktop start a program or open a local file.
//
// Within those schemes an address is taken the way a browser's address bar takes it: spaces around it are
// dropped, and whatever may not stand literally in an address (spaces, quotes, `<>[]\^`{|}`, a second '#',
// a '%' not followed by two hex digits, letters beyond ASCII) is percent-encoded in the path, query and
// fragment. Percent escapes already present are kept. A server name beyond ASCII is written in its ASCII
// form. Only Qt Core is used here.
namespace AddressPolicy {

struct Decision {
    // The address to hand to the desktop, fully encoded (it parses in QUrl's strict mode); empty when
    // refused.
    QString address;
    // Why the address is not opened, a sentence to show the user; empty when accepted.
    QString refusal;
    // The same reason as a clause ("it names no server."), and whether the scheme is what is wrong.
    QString reason;
    bool schemeRefused = false;

    bool accepted() const { return refusal.isEmpty(); }
};

Decision decide(const QString& address);

// The schemes taken, as people write them: "http://, https://, ftp:// or mailto:".
QString schemesNamed();

// What the link editor says when asked to save `address`: empty when it may be saved.
QString editorRefusal(const QString& address);

} // namespace AddressPolicy
