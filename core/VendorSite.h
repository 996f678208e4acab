// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The vendor's web site: one base address (scheme, host and optional port, no trailing slash), set when the
// program is built.
namespace VendorSite {
// The pages the fixed spots of the tab's head panel open (the home page is the root itself).
enum class Page { Products, Search, Help, Downloads };

QString root();
QString url(const QString& path);
QString url(Page page);
// Uses another base address instead of the built-in one, for tests that answer on a
// loopback server; an empty address goes back to the built-in one. The program itself never calls it.
void setRootForTesting(const QString& base);
} // namespace VendorSite
