// SPDX-License-Identifier: MIT
#include "Bookmarks.h"

#include "LinkTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringDecoder>

namespace Bookmarks {

namespace {

// The attribute that carries a link's page and slot ("3.7": page 3, slot 7, counted from 1) in a file
// written here. Browsers keep the attributes they know and pass over the others.
constexpr char kSlotAttribute[] = "DATA-BRIMVEL-SLOT";

QByteArrayView withoutLeadingSpace(QByteArrayView text) {
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    while (!text.isEmpty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
        text = text.sliced(1);
    return text;
}

// The text of HTML with its character references decoded (named ones of the bookmarks format, decimal and
// hexadecimal ones).
QString decodeEntities(const QString& text) {
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const qsizetype semicolon = c == u'&' ? text.indexOf(u';', i) : -1;
        if (semicolon < 0 || semicolon - i > 10) {
            out += c;
            continue;
        }
        const QString name = text.mid(i + 1, semicolon - i - 1);
        char32_t code = 0;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint value = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                                   ? name.mid(2).toUInt(&ok, 16)
                                   : name.mid(1).toUInt(&ok);
            if (ok && value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
                code = value;
        } else if (name == QLatin1String("amp")) {
            code = '&';
        } else if (name == QLatin1String("lt")) {
            code = '<';
        } else if (name == QLatin1String("gt")) {
            code = '>';
        } else if (name == QLatin1String("quot")) {
            code = '"';
        } else if (name == QLatin1String("apos")) {
            code = '\'';
        } else if (name == QLatin1String("nbsp")) {
            code = 0xA0;
        }
        if (code == 0) {
            out += c;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = semicolon;
    }
    return out;
}

QString escape(const QString& text) {
    QString out = text.toHtmlEscaped(); // & < > "
    out.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return out;
}

// Line breaks and other control characters in a title become spaces; blanks around it go.
QString cleanTitle(const QString& title) {
    QString out = title;
    for (QChar& c : out) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return out.simplified();
}

int lineOf(const QString& text, qsizetype position) {
    return int(text.first(position).count(u'\n')) + 1;
}

void readJsonNode(const QJsonObject& node, QList<Bookmark>& out) {
    const QString type = node.value(QLatin1String("type")).toString();
    if (type == QLatin1String("url")) {
        out.append({cleanTitle(node.value(QLatin1String("name")).toString()),
                    node.value(QLatin1String("url")).toString().trimmed()});
        return;
    }
    const QJsonArray children = node.value(QLatin1String("children")).toArray();
    for (const QJsonValue& child : children)
        readJsonNode(child.toObject(), out);
}

} // namespace

Format sniff(const QByteArray& head) {
    if (head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return Format::Sqlite;
    const QByteArrayView text = withoutLeadingSpace(head);
    if (text.startsWith("{"))
        return Format::ChromiumJson;
    static const QByteArrayView doctype("<!DOCTYPE NETSCAPE-Bookmark-file-1>");
    if (text.size() >= doctype.size() &&
        text.first(doctype.size()).compare(doctype, Qt::CaseInsensitive) == 0)
        return Format::Html;
    return Format::Unknown;
}

bool readHtml(const QByteArray& bytes, QList<Bookmark>& out, QString& error) {
    out.clear();
    // Gathered apart and handed out only whole: a text refused halfway leaves `out` empty.
    QList<Bookmark> marks;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        error = QStringLiteral("it is not UTF-8 text");
        return false;
    }
    if (sniff(bytes) != Format::Html) {
        error = QStringLiteral(
            "it does not begin as a bookmarks file does (<!DOCTYPE NETSCAPE-Bookmark-file-1>)");
        return false;
    }
    static const QRegularExpression attribute(
        QStringLiteral(R"re(([A-Za-z_:][-A-Za-z0-9_:.]*)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s"'>]+)))re"));
    static const QRegularExpression slotText(QStringLiteral(R"(^([1-9])\.(10|[1-9])$)"));
    int lists = 0;
    bool sawList = false;
    qsizetype i = 0;
    while ((i = text.indexOf(u'<', i)) >= 0) {
        if (text.mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), i + 4);
            if (end < 0) {
                error = QStringLiteral("it ends inside a comment begun on line %1").arg(lineOf(text, i));
                return false;
            }
            i = end + 3;
            continue;
        }
        const qsizetype close = text.indexOf(u'>', i);
        if (close < 0) {
            error = QStringLiteral("it ends inside a tag on line %1").arg(lineOf(text, i));
            return false;
        }
        const QString tag = text.mid(i + 1, close - i - 1);
        const QString tagName = tag.section(QRegularExpression(QStringLiteral("\\s")), 0, 0).toUpper();
        if (tagName == QLatin1String("DL")) {
            ++lists;
            sawList = true;
        } else if (tagName == QLatin1String("/DL")) {
            --lists;
        } else if (tagName == QLatin1String("A")) {
            const qsizetype end = text.indexOf(QLatin1String("</A>"), close + 1, Qt::CaseInsensitive);
            const qsizetype next = text.indexOf(u'<', close + 1);
            // A link's title runs to its closing tag; one cut short by the next entry is a damaged file.
            if (end < 0 || next < end) {
                error = QStringLiteral("the link on line %1 is not closed").arg(lineOf(text, i));
                return false;
            }
            Bookmark mark;
            mark.title = cleanTitle(decodeEntities(text.mid(close + 1, end - close - 1)));
            auto it = attribute.globalMatch(tag);
            while (it.hasNext()) {
                const QRegularExpressionMatch m = it.next();
                const QString value = decodeEntities(!m.captured(2).isNull()   ? m.captured(2)
                                                     : !m.captured(3).isNull() ? m.captured(3)
                                                                               : m.captured(4));
                const QString name = m.captured(1).toUpper();
                if (name == QLatin1String("HREF")) {
                    mark.address = value.trimmed();
                } else if (name == QLatin1String(kSlotAttribute)) {
                    if (const QRegularExpressionMatch s = slotText.match(value); s.hasMatch()) {
                        mark.page = s.captured(1).toInt() - 1;
                        mark.slot = s.captured(2).toInt() - 1;
                    }
                }
            }
            marks.append(mark);
            i = end + 4;
            continue;
        }
        i = close + 1;
    }
    if (!sawList) {
        error = QStringLiteral("it holds no bookmark list");
        return false;
    }
    if (lists > 0) {
        error = QStringLiteral("it ends before its bookmark list does (the file is cut short)");
        return false;
    }
    out = std::move(marks);
    return true;
}

bool readChromiumJson(const QByteArray& bytes, QList<Bookmark>& out, QString& error) {
    out.clear();
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("it is not valid JSON (%1 at byte %2)")
                    .arg(parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    const QJsonObject roots = document.object().value(QLatin1String("roots")).toObject();
    if (roots.isEmpty()) {
        error = QStringLiteral("it has no bookmark roots");
        return false;
    }
    // The bar first, then the other bookmarks, then those from other devices, as the browser lists them.
    QStringList order{QStringLiteral("bookmark_bar"), QStringLiteral("other"), QStringLiteral("synced")};
    for (const QString& key : roots.keys()) {
        if (!order.contains(key))
            order.append(key);
    }
    for (const QString& key : order) {
        const QJsonValue root = roots.value(key);
        if (root.isObject())
            readJsonNode(root.toObject(), out);
    }
    return true;
}

QByteArray writeHtml(const LinkTable& table, int& count) {
    count = 0;
    QString html = QStringLiteral("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                                  "<TITLE>Bookmarks</TITLE>\n"
                                  "<H1>Bookmarks</H1>\n"
                                  "<DL><p>\n");
    for (int page = 0; page < LinkTable::kPages; ++page) {
        QString links;
        for (int slot = 0; slot < LinkTable::kSlots; ++slot) {
            if (!table.holdsLink(page, slot))
                continue;
            links += QStringLiteral("        <DT><A HREF=\"") + escape(table.address(page, slot)) +
                     QStringLiteral("\" ") + QLatin1String(kSlotAttribute) +
                     QStringLiteral("=\"%1.%2\">").arg(page + 1).arg(slot + 1) +
                     escape(table.name(page, slot)) + QStringLiteral("</A>\n");
            ++count;
        }
        if (links.isEmpty())
            continue;
        html += QStringLiteral("    <DT><H3>Page %1</H3>\n    <DL><p>\n").arg(page + 1) + links +
                QStringLiteral("    </DL><p>\n");
    }
    html += QStringLiteral("</DL><p>\n");
    return html.toUtf8();
}

} // namespace Bookmarks
