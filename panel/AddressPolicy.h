#pragma once

#include <QString>

// Which addresses the program hands to the desktop: web and mail addresses only (http, https, ftp, mailto,
// in any letter case), parsed strictly, with no control characters and not starting with '-'. A link file
// from someone else must never make the desktop start a program or open a local file.
namespace AddressPolicy {
bool mayOpen(const QString& address);
}
