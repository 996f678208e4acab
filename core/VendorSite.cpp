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
QString url(Page page) {
    switch (page) {
    case Page::Products:
        return url(QStringLiteral("/download/Brimvel/products.htm"));
    case Page::Search:
        return url(QStringLiteral("/download/Brimvel/search.htm"));
    case Page::Help:
        return url(QStringLiteral("/download/Brimvel/help.htm"));
    case Page::Downloads:
        return url(QStringLiteral("/download/"));
    }
    return root();
}
void setRootForTesting(const QString& base) {
    replacementRoot() = base;
}
} // namespace VendorSite
