// SPDX-License-Identifier: MIT
#include "LinkDrop.h"

#include "AddressPolicy.h"

#include <QMimeData>
#include <QStringList>

namespace LinkDrop {

namespace {

const QString kMozUrl = QStringLiteral("text/x-moz-url");
const QString kNetscapeUrl = QStringLiteral("_NETSCAPE_URL");
const QString kUriList = QStringLiteral("text/uri-list");

// The text of a text/x-moz-url: UTF-16 in the byte order of its mark, else little-endian (what browsers on
// this platform send); bytes without a single NUL are taken as UTF-8.
QString mozUrlText(const QByteArray& bytes) {
    if (bytes.size() >= 2 && bytes.size() % 2 == 0) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        const bool bigEndianMark = b0 == 0xFE && b1 == 0xFF;
        const bool littleEndianMark = b0 == 0xFF && b1 == 0xFE;
        if (bigEndianMark || littleEndianMark || bytes.contains('\0')) {
            const bool big = bigEndianMark;
            const qsizetype start = (bigEndianMark || littleEndianMark) ? 2 : 0;
            QString text;
            text.reserve((bytes.size() - start) / 2);
            for (qsizetype i = start; i + 1 < bytes.size(); i += 2) {
                const auto lo = static_cast<unsigned char>(bytes[big ? i + 1 : i]);
                const auto hi = static_cast<unsigned char>(bytes[big ? i : i + 1]);
                text += QChar(static_cast<char16_t>(hi << 8 | lo));
            }
            // A terminating NUL is no part of the text.
            while (text.endsWith(QChar(u'\0')))
                text.chop(1);
            return text;
        }
    }
    return QString::fromUtf8(bytes);
}

QStringList lines(const QString& text) {
    QStringList out;
    for (const QString& line : text.split(u'\n'))
        out.append(line.endsWith(u'\r') ? line.chopped(1) : line);
    return out;
}

std::optional<Link> link(const QString& address, const QString& title = QString()) {
    if (!isAddress(address))
        return std::nullopt;
    return Link{address.trimmed(), title.trimmed()};
}

} // namespace

bool isAddress(const QString& text) {
    const QString address = text.trimmed();
    if (address.isEmpty())
        return false;
    for (const QChar c : address) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    }
    return AddressPolicy::decide(address).accepted();
}

std::optional<Link> read(const QMimeData* data) {
    if (!data)
        return std::nullopt;
    // The title form is asked for whether or not the format list names it: on X11 the toolkit lists a
    // dragged text/x-moz-url as text/uri-list, yet hands out its data when asked by its own name.
    if (const QByteArray moz = data->data(kMozUrl); !moz.isEmpty()) {
        const QStringList parts = lines(mozUrlText(moz));
        return link(parts.value(0), parts.value(1));
    }
    // The older form of the same, which browsers on X11 offer beside it, and which the toolkit hands out
    // there as it came (it gives a text/x-moz-url from another program as its address alone).
    if (const QByteArray netscape = data->data(kNetscapeUrl); !netscape.isEmpty()) {
        const QStringList parts = lines(QString::fromUtf8(netscape));
        return link(parts.value(0), parts.value(1));
    }
    if (data->hasFormat(kUriList)) {
        for (const QString& line : lines(QString::fromUtf8(data->data(kUriList)))) {
            const QString entry = line.trimmed();
            if (entry.isEmpty() || entry.startsWith(u'#'))
                continue;
            return link(entry);
        }
        return std::nullopt;
    }
    if (data->hasText())
        return link(data->text());
    return std::nullopt;
}

} // namespace LinkDrop
