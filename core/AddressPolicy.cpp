// SPDX-License-Identifier: MIT
#include "AddressPolicy.h"

#include <QByteArray>
#include <QUrl>

namespace AddressPolicy {

namespace {

Decision refuse(const QString& why, bool scheme = false) {
    return {QString(), QStringLiteral("This link cannot be opened: ") + why, why, scheme};
}

Decision refuse(const char* why) {
    return refuse(QString::fromUtf8(why));
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The characters that stand literally in a path, query or fragment: unreserved, sub-delimiters, ':', '@',
// '/' and '?'.
bool standsLiterally(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != '\0' && QByteArrayView("-._~!$&'()*+,;=:@/?").contains(c);
}

// Percent-encodes everything after the server part: what may not stand literally, a second '#' (the first
// one starts the fragment) and a '%' that does not begin an escape. Letters beyond ASCII go as UTF-8.
QString encodeTail(const QString& tail) {
    const QByteArray bytes = tail.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    bool inFragment = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool escape =
            c == '%' && i + 2 < bytes.size() && isHexDigit(bytes[i + 1]) && isHexDigit(bytes[i + 2]);
        if (escape || standsLiterally(c)) {
            out += c;
        } else if (c == '#' && !inFragment) {
            inFragment = true;
            out += c;
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return QString::fromLatin1(out);
}

bool isSchemeCharacter(QChar c, bool first) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
        return true;
    return !first && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.');
}

} // namespace

Decision decide(const QString& address) {
    for (const QChar c : address) {
        if (c.category() == QChar::Other_Control)
            return refuse("its address contains control characters.");
    }
    qsizetype begin = 0;
    qsizetype end = address.size();
    while (begin < end && address[begin] == u' ')
        ++begin;
    while (end > begin && address[end - 1] == u' ')
        --end;
    const QString text = address.mid(begin, end - begin);
    if (text.isEmpty())
        return refuse("it has no address.");
    if (text.startsWith(u'-'))
        return refuse("its address begins with \"-\".");

    const qsizetype colon = text.indexOf(u':');
    bool schemeWellFormed = colon > 0;
    for (qsizetype i = 0; schemeWellFormed && i < colon; ++i)
        schemeWellFormed = isSchemeCharacter(text[i], i == 0);
    const QString scheme = schemeWellFormed ? text.left(colon).toLower() : QString();
    const bool mail = scheme == QLatin1String("mailto");
    if (!mail && scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
        scheme != QLatin1String("ftp"))
        return refuse(QStringLiteral("only addresses beginning with %1 are opened.").arg(schemesNamed()),
                      true);

    // The server part is left to the parser, which checks it and writes a server name beyond ASCII in
    // its ASCII form; everything after it is encoded here.
    const QString rest = text.mid(colon + 1);
    QString encoded = scheme + u':';
    if (!mail && rest.startsWith(QLatin1String("//"))) {
        qsizetype serverEnd = 2;
        while (serverEnd < rest.size() && rest[serverEnd] != u'/' && rest[serverEnd] != u'?' &&
               rest[serverEnd] != u'#')
            ++serverEnd;
        encoded += rest.left(serverEnd) + encodeTail(rest.mid(serverEnd));
    } else {
        encoded += encodeTail(rest);
    }

    const QUrl url(encoded, QUrl::StrictMode);
    if (!url.isValid())
        return refuse("the server part of its address (name, port or user) is not valid.");
    if (mail) {
        if (url.path().isEmpty())
            return refuse("it names no mail recipient.");
    } else if (url.host().isEmpty()) {
        return refuse("it names no server.");
    }
    return {QString::fromLatin1(url.toEncoded()), QString(), QString(), false};
}

QString schemesNamed() {
    return QStringLiteral("http://, https://, ftp:// or mailto:");
}

QString editorRefusal(const QString& address) {
    const Decision decision = decide(address);
    if (decision.accepted())
        return {};
    // The trailing blanks widen the message box, as the editor's messages always have.
    if (decision.schemeRefused)
        return QStringLiteral("Please begin your URL with %1     ").arg(schemesNamed());
    return QStringLiteral("Please check your URL: %1     ").arg(decision.reason);
}

} // namespace AddressPolicy
