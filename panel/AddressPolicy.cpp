#include "AddressPolicy.h"

#include <QUrl>

namespace AddressPolicy {

bool mayOpen(const QString& address) {
    if (address.isEmpty() || address.startsWith(QLatin1Char('-')))
        return false;
    for (const QChar c : address) {
        if (c.category() == QChar::Other_Control || c == QChar(0x7F))
            return false;
    }
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !url.path().isEmpty();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp"))
        return !url.host().isEmpty();
    return false;
}

} // namespace AddressPolicy
