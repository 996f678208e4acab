#pragma once

#include <QString>

// The vendor's web site: one base address (scheme, host and optional port, no trailing slash), set when the
// program is built.
namespace VendorSite {
QString root();
QString url(const QString& path);
} // namespace VendorSite
