// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Which addresses the program hands to the desktop: web and mail addresses only (http, https, ftp, mailto,
// in any letter case), with no control characters and not starting with '-'. A link file from someone else
// must never make the desktop start a program or open a local file.
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

    bool accepted() const { return refusal.isEmpty(); }
};

Decision decide(const QString& address);

} // namespace AddressPolicy
