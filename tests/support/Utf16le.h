// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Text as UTF-16, little end first, with no byte order mark: how browsers put a link with its title on a
// drag.
inline QByteArray utf16le(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        out += static_cast<char>(c.unicode() & 0xFF);
        out += static_cast<char>(c.unicode() >> 8);
    }
    return out;
}
