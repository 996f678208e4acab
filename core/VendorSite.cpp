// SPDX-License-Identifier: MIT
#include "VendorSite.h"

#ifndef BRIMVEL_VENDOR_URL
#define BRIMVEL_VENDOR_URL "http://www.brimvel.example"
#endif

namespace {
QString& replacementRoot() {
    static QString base;
    return base;
}
} // namespace

namespace VendorSite {
QString root() {
    const QString& replacement = replacementRoot();
    return replacement.isEmpty() ? QStringLiteral(BRIMVEL_VENDOR_URL) : replacement;
}
QString url(const QString& path) {
    return root() + path;
}
void setRootForTesting(const QString& base) {
    replacementRoot() = base;
}
} // namespace VendorSite
