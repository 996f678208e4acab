// SPDX-License-Identifier: MIT
// libFuzzer target for what a drag offers the tab (LinkDrop::read). The input is split into the forms a drag
// carries: byte 0 says which are there (bit 0 text/x-moz-url, bit 1 _NETSCAPE_URL, bit 2 text/uri-list, bit 3
// plain text), and the rest is cut at the byte 0x1E into their contents, in that order (the last takes what
// remains). A link read from it must be one address as the program would open it, without spaces around it,
// and its title one line.

#include <cstdlib>

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QString>

#include "core/LinkDrop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const unsigned mask = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QByteArray> parts = rest.split('\x1e');
    static const char* const forms[] = {"text/x-moz-url", "_NETSCAPE_URL", "text/uri-list", nullptr};
    QMimeData mime;
    qsizetype part = 0;
    for (int i = 0; i < 4; ++i) {
        if (!(mask & (1u << i)))
            continue;
        const QByteArray content = i < 3 ? parts.value(part) : parts.mid(part).join('\x1e');
        ++part;
        if (forms[i])
            mime.setData(QString::fromLatin1(forms[i]), content);
        else
            mime.setText(QString::fromUtf8(content));
    }
    const std::optional<LinkDrop::Link> link = LinkDrop::read(&mime);
    if (!link)
        return 0;
    if (!LinkDrop::isAddress(link->address) || link->address != link->address.trimmed() ||
        link->title != link->title.trimmed() || link->title.contains(u'\n'))
        std::abort();
    return 0;
}
