#include "VendorSite.h"

#ifndef BRIMVEL_VENDOR_URL
#define BRIMVEL_VENDOR_URL "http://www.brimvel.example"
#endif

namespace VendorSite {
QString root() { return QStringLiteral(BRIMVEL_VENDOR_URL); }
QString url(const QString& path) { return root() + path; }
} // namespace VendorSite
