// SPDX-License-Identifier: MIT
// What a drag offers the tab: an address with its title, or nothing to drop.

#include "core/LinkDrop.h"
#include "support/Utf16le.h"

#include <QMimeData>
#include <QTest>

namespace {

using Formats = QList<std::pair<QString, QByteArray>>;

QByteArray utf16be(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        out += static_cast<char>(c.unicode() >> 8);
        out += static_cast<char>(c.unicode() & 0xFF);
    }
    return out;
}

const QString kMoz = QStringLiteral("text/x-moz-url");
const QString kUris = QStringLiteral("text/uri-list");
const QString kText = QStringLiteral("text/plain");

} // namespace

class TestLinkDrop : public QObject {
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void noData();
    void isAddress_data();
    void isAddress();
};

void TestLinkDrop::read_data() {
    QTest::addColumn<Formats>("formats");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");

    const QString page = QStringLiteral("http://news.example/today?x=1#top");
    const QString title = QStringLiteral("Today's news – Ünïcode");

    // Addresses.
    QTest::newRow("uri-list") << Formats{{kUris, "http://a.example/\r\n"}} << true << "http://a.example/"
                              << "";
    QTest::newRow("uri-list, comment first")
        << Formats{{kUris, "# from a browser\r\nhttps://b.example/x\r\nhttp://c.example/\r\n"}} << true
        << "https://b.example/x"
        << "";
    QTest::newRow("uri-list without line end")
        << Formats{{kUris, "ftp://files.example/pub"}} << true << "ftp://files.example/pub"
        << "";
    QTest::newRow("moz-url with title, UTF-16LE")
        << Formats{{kMoz, utf16le(page + "\n" + title)}} << true << page << title;
    QTest::newRow("moz-url with title, byte order mark BE")
        << Formats{{kMoz, QByteArray("\xFE\xFF", 2) + utf16be(page + "\n" + title)}} << true << page << title;
    QTest::newRow("moz-url with title, byte order mark LE")
        << Formats{{kMoz, QByteArray("\xFF\xFE", 2) + utf16le(page + "\r\n" + title)}} << true << page
        << title;
    QTest::newRow("moz-url, title absent, trailing NUL")
        << Formats{{kMoz, utf16le(page + "\n") + QByteArray(2, '\0')}} << true << page << "";
    QTest::newRow("moz-url in UTF-8")
        << Formats{{kMoz, (page + "\n" + title).toUtf8()}} << true << page << title;
    QTest::newRow("moz-url preferred to the list and text")
        << Formats{{kUris, "http://list.example/\r\n"},
                   {kText, "http://text.example/"},
                   {kMoz, utf16le("http://moz.example/\nMoz")}}
        << true << "http://moz.example/"
        << "Moz";
    QTest::newRow("_NETSCAPE_URL with title")
        << Formats{{"_NETSCAPE_URL", (page + "\n" + title).toUtf8()}, {kUris, "http://list.example/\r\n"}}
        << true << page << title;
    QTest::newRow("moz-url preferred to _NETSCAPE_URL")
        << Formats{{"_NETSCAPE_URL", "http://old.example/\nOld"}, {kMoz, utf16le("http://moz.example/\nMoz")}}
        << true << "http://moz.example/"
        << "Moz";
    QTest::newRow("list preferred to text")
        << Formats{{kText, "http://text.example/"}, {kUris, "http://list.example/\r\n"}} << true
        << "http://list.example/"
        << "";
    QTest::newRow("plain address") << Formats{{kText, "http://plain.example/a"}} << true
                                   << "http://plain.example/a"
                                   << "";
    QTest::newRow("plain address, spaces and line end around")
        << Formats{{kText, "  https://plain.example/\n"}} << true << "https://plain.example/"
        << "";
    QTest::newRow("plain mail address")
        << Formats{{kText, "mailto:someone@mail.example"}} << true << "mailto:someone@mail.example"
        << "";
    // Addresses the editor itself would refuse on OK are still offered.
    QTest::newRow("upper-case scheme")
        << Formats{{kText, "HTTP://UPPER.EXAMPLE/"}} << true << "HTTP://UPPER.EXAMPLE/"
        << "";

    // Nothing to drop.
    QTest::newRow("file in uri-list") << Formats{{kUris, "file:///home/user/notes.txt\r\n"}} << false << ""
                                      << "";
    QTest::newRow("file first, address second")
        << Formats{{kUris, "file:///tmp/a\r\nhttp://second.example/\r\n"}} << false << ""
        << "";
    QTest::newRow("list of comments only") << Formats{{kUris, "# nothing\r\n"}} << false << ""
                                           << "";
    QTest::newRow("file as _NETSCAPE_URL")
        << Formats{{"_NETSCAPE_URL", "file:///etc/passwd\nPasswords"}} << false << ""
        << "";
    QTest::newRow("file as moz-url") << Formats{{kMoz, utf16le("file:///etc/passwd\nPasswords")}} << false
                                     << ""
                                     << "";
    QTest::newRow("image only") << Formats{{QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\n", 8)}}
                                << false << ""
                                << "";
    QTest::newRow("sentence") << Formats{{kText, "Meet at noon"}} << false << ""
                              << "";
    QTest::newRow("sentence holding an address")
        << Formats{{kText, "see http://a.example/ now"}} << false << ""
        << "";
    QTest::newRow("two addresses on two lines")
        << Formats{{kText, "http://a.example/\nhttp://b.example/"}} << false << ""
        << "";
    QTest::newRow("address without a scheme") << Formats{{kText, "www.example.com"}} << false << ""
                                              << "";
    QTest::newRow("program scheme") << Formats{{kText, "javascript:alert(1)"}} << false << ""
                                    << "";
    QTest::newRow("local path") << Formats{{kText, "/usr/bin/xterm"}} << false << ""
                                << "";
    QTest::newRow("no server") << Formats{{kText, "http://"}} << false << ""
                               << "";
    QTest::newRow("empty text") << Formats{{kText, ""}} << false << ""
                                << "";
    QTest::newRow("nothing at all") << Formats{} << false << ""
                                    << "";
}

void TestLinkDrop::read() {
    QFETCH(Formats, formats);
    QFETCH(bool, taken);
    QFETCH(QString, address);
    QFETCH(QString, title);

    QMimeData data;
    for (const auto& [format, bytes] : formats)
        data.setData(format, bytes);
    const std::optional<LinkDrop::Link> link = LinkDrop::read(&data);
    QCOMPARE(link.has_value(), taken);
    if (taken) {
        QCOMPARE(link->address, address);
        QCOMPARE(link->title, title);
    }
}

void TestLinkDrop::noData() {
    QVERIFY(!LinkDrop::read(nullptr));
    // The list a program builds from URLs, and an image set through the image call.
    QMimeData urls;
    urls.setUrls({QUrl(QStringLiteral("http://urls.example/p q"))});
    const std::optional<LinkDrop::Link> link = LinkDrop::read(&urls);
    QVERIFY(link);
    QCOMPARE(link->address, QStringLiteral("http://urls.example/p%20q"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/picture.png"))});
    QVERIFY(!LinkDrop::read(&files));
}

void TestLinkDrop::isAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("address");
    QTest::newRow("http") << "http://a.example/" << true;
    QTest::newRow("https with port") << "https://a.example:8443/x" << true;
    QTest::newRow("ftp") << "ftp://a.example/" << true;
    QTest::newRow("mailto") << "mailto:a@b.example" << true;
    QTest::newRow("spaces around") << "  http://a.example/  " << true;
    QTest::newRow("space inside") << "http://a.example/a b" << false;
    QTest::newRow("tab inside") << "http://a.example/\tb" << false;
    QTest::newRow("control character") << QString("http://a.example/") + QChar(7) << false;
    QTest::newRow("file") << "file:///tmp/x" << false;
    QTest::newRow("leading dash") << "-http://a.example/" << false;
    QTest::newRow("bad port") << "http://a.example:99999/" << false;
    QTest::newRow("empty") << "" << false;
}

void TestLinkDrop::isAddress() {
    QFETCH(QString, text);
    QFETCH(bool, address);
    QCOMPARE(LinkDrop::isAddress(text), address);
}

QTEST_GUILESS_MAIN(TestLinkDrop)
#include "test_link_drop.moc"
