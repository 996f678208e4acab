// SPDX-License-Identifier: MIT
// Which link addresses are handed to the desktop, in what encoded form, and what the user is told about the
// others. Needs no display: the policy uses Qt Core only.

#include "core/AddressPolicy.h"

#include <QTest>
#include <QUrl>

namespace {

const QString kRefusedPrefix = QStringLiteral("This link cannot be opened: ");
const QString kNoAddress = kRefusedPrefix + QStringLiteral("it has no address.");
const QString kControl = kRefusedPrefix + QStringLiteral("its address contains control characters.");
const QString kDash = kRefusedPrefix + QStringLiteral("its address begins with \"-\".");
const QString kScheme =
    kRefusedPrefix +
    QStringLiteral("only addresses beginning with http://, https://, ftp:// or mailto: are opened.");
const QString kServerPart =
    kRefusedPrefix + QStringLiteral("the server part of its address (name, port or user) is not valid.");
const QString kNoServer = kRefusedPrefix + QStringLiteral("it names no server.");
const QString kNoRecipient = kRefusedPrefix + QStringLiteral("it names no mail recipient.");

} // namespace

class TestAddress : public QObject {
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void editorSaysWhy_data();
    void editorSaysWhy();
};

void TestAddress::accepted_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("encoded");

    const auto row = [](const char* name, const QString& address, const char* encoded) {
        QTest::newRow(name) << address << QString::fromLatin1(encoded);
    };
    // Already well-formed addresses go out as they are.
    row("plain http", QStringLiteral("http://example.test/"), "http://example.test/");
    row("https with query and fragment", QStringLiteral("https://example.test/a/b?x=1&y=2#top"),
        "https://example.test/a/b?x=1&y=2#top");
    row("escapes are kept", QStringLiteral("http://example.test/a%20b?x=%2F&y=%c3%bc"),
        "http://example.test/a%20b?x=%2F&y=%C3%BC");
    row("sub-delimiters, colon and at stay literal", QStringLiteral("http://example.test/a:b@c!$&'()*+,;=~"),
        "http://example.test/a:b@c!$&'()*+,;=~");
    row("port and user", QStringLiteral("ftp://user@files.example.test:2121/pub/"),
        "ftp://user@files.example.test:2121/pub/");
    row("IPv6 server", QStringLiteral("http://[::1]:8080/x"), "http://[::1]:8080/x");
    row("mail address", QStringLiteral("mailto:someone@example.test"), "mailto:someone@example.test");

    // What a browser's address bar takes, encoded.
    row("space in path", QStringLiteral("http://example.test/a b"), "http://example.test/a%20b");
    row("braces in query", QStringLiteral("http://example.test/?q={x}"), "http://example.test/?q=%7Bx%7D");
    row("bar", QStringLiteral("http://example.test/a|b"), "http://example.test/a%7Cb");
    row("caret", QStringLiteral("http://example.test/a^b"), "http://example.test/a%5Eb");
    row("stray percent at the end", QStringLiteral("http://example.test/100%"), "http://example.test/100%25");
    row("percent before non-hex", QStringLiteral("http://example.test/100%zz"),
        "http://example.test/100%25zz");
    row("percent before one hex digit", QStringLiteral("http://example.test/a%4"),
        "http://example.test/a%254");
    row("stray percent beside a real escape", QStringLiteral("http://example.test/5% off%21"),
        "http://example.test/5%25%20off%21");
    row("quotes, angle brackets, backquote", QStringLiteral("http://example.test/\"<a>`"),
        "http://example.test/%22%3Ca%3E%60");
    row("square brackets and backslash in path", QStringLiteral("http://example.test/a[1]\\b"),
        "http://example.test/a%5B1%5D%5Cb");
    row("second hash", QStringLiteral("https://example.test/p#a#b"), "https://example.test/p#a%23b");
    row("query without path", QStringLiteral("http://example.test?q=a b"), "http://example.test?q=a%20b");
    row("letters beyond ASCII", QStringLiteral("http://example.test/Zürich?stadt=Zürich"),
        "http://example.test/Z%C3%BCrich?stadt=Z%C3%BCrich");
    row("outside the basic plane", QStringLiteral("http://example.test/\U0001F600"),
        "http://example.test/%F0%9F%98%80");
    row("direction override", QStringLiteral("http://example.test/a\u202Eb"),
        "http://example.test/a%E2%80%AEb");
    row("server name beyond ASCII", QStringLiteral("http://bücher.example/"),
        "http://xn--bcher-kva.example/");
    row("scheme and server in capitals", QStringLiteral("HTTPS://Example.TEST/Path"),
        "https://example.test/Path");
    row("spaces around", QStringLiteral("  http://example.test/a  "), "http://example.test/a");
    row("ftp file with a space", QStringLiteral("ftp://files.example.test/pub/a b.txt"),
        "ftp://files.example.test/pub/a%20b.txt");
    row("mail with space and subject", QStringLiteral("mailto:a b@example.test?subject=hi there"),
        "mailto:a%20b@example.test?subject=hi%20there");
    row("mail in capitals", QStringLiteral("MailTo:Someone@Example.test"), "mailto:Someone@Example.test");
}

void TestAddress::accepted() {
    QFETCH(QString, address);
    QFETCH(QString, encoded);
    const AddressPolicy::Decision decision = AddressPolicy::decide(address);
    QVERIFY2(decision.accepted(), qPrintable(decision.refusal));
    QVERIFY(decision.refusal.isEmpty());
    QCOMPARE(decision.address, encoded);
    QVERIFY(AddressPolicy::decide(address).accepted());
    // What is handed on is a strict address, and taking it again changes nothing (no double encoding).
    QVERIFY(QUrl(decision.address, QUrl::StrictMode).isValid());
    QCOMPARE(AddressPolicy::decide(decision.address).address, encoded);
}

void TestAddress::refused_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("reason");

    QTest::newRow("empty") << QString() << kNoAddress;
    QTest::newRow("only spaces") << QStringLiteral("   ") << kNoAddress;

    QTest::newRow("line end") << QStringLiteral("http://example.test/\n") << kControl;
    QTest::newRow("tab in server") << QStringLiteral("http://exa\tmple.test/") << kControl;
    QTest::newRow("NUL") << QStringLiteral("http://example.test/a") + QChar(0) + QStringLiteral("b")
                         << kControl;
    QTest::newRow("DEL") << QStringLiteral("http://example.test/\x7F") << kControl;
    QTest::newRow("C1 next line") << QStringLiteral("http://example.test/\u0085") << kControl;
    QTest::newRow("escape sequence") << QStringLiteral("\x1B]http://example.test/") << kControl;

    QTest::newRow("option") << QStringLiteral("--help") << kDash;
    QTest::newRow("option before an address") << QStringLiteral("-http://example.test/") << kDash;
    QTest::newRow("option after spaces") << QStringLiteral("  -x") << kDash;

    QTest::newRow("local file") << QStringLiteral("file:///etc/passwd") << kScheme;
    QTest::newRow("script") << QStringLiteral("javascript:alert(1)") << kScheme;
    QTest::newRow("other program") << QStringLiteral("ssh://example.test") << kScheme;
    QTest::newRow("no scheme") << QStringLiteral("www.example.test/page") << kScheme;
    QTest::newRow("server and port without scheme") << QStringLiteral("example.test:80/") << kScheme;
    QTest::newRow("local path") << QStringLiteral("/usr/bin/xterm") << kScheme;
    QTest::newRow("scheme after a space inside") << QStringLiteral("x http://example.test/") << kScheme;
    QTest::newRow("prefix of an allowed scheme") << QStringLiteral("http2://example.test/") << kScheme;

    QTest::newRow("space in server") << QStringLiteral("http://exa mple.test/") << kServerPart;
    QTest::newRow("port out of range") << QStringLiteral("http://example.test:99999/") << kServerPart;
    QTest::newRow("port not a number") << QStringLiteral("http://example.test:www/") << kServerPart;
    QTest::newRow("brace in server") << QStringLiteral("http://{x}.example.test/") << kServerPart;

    QTest::newRow("scheme only") << QStringLiteral("http://") << kNoServer;
    QTest::newRow("no slashes") << QStringLiteral("https:example.test") << kNoServer;
    QTest::newRow("path only") << QStringLiteral("ftp:/pub/file") << kNoServer;

    QTest::newRow("mail without recipient") << QStringLiteral("mailto:") << kNoRecipient;
    QTest::newRow("mail with subject only") << QStringLiteral("mailto:?subject=x") << kNoRecipient;
}

void TestAddress::refused() {
    QFETCH(QString, address);
    QFETCH(QString, reason);
    const AddressPolicy::Decision decision = AddressPolicy::decide(address);
    QVERIFY(!decision.accepted());
    QCOMPARE(decision.refusal, reason);
    QVERIFY(decision.address.isEmpty());
    QVERIFY(!AddressPolicy::decide(address).accepted());
}

// The link editor saves what the tab opens, and says why not in the same words for every scheme it refuses.
void TestAddress::editorSaysWhy_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message"); // empty: saved
    const QString schemes =
        QStringLiteral("Please begin your URL with http://, https://, ftp:// or mailto:     ");
    QTest::newRow("web") << QStringLiteral("http://example.test/") << QString();
    QTest::newRow("secure web, capitals") << QStringLiteral("HTTPS://EXAMPLE.TEST/") << QString();
    QTest::newRow("file transfer") << QStringLiteral("ftp://files.example.test/") << QString();
    QTest::newRow("mail") << QStringLiteral("mailto:someone@example.test") << QString();
    QTest::newRow("mail without recipient")
        << QStringLiteral("mailto:")
        << QStringLiteral("Please check your URL: it names no mail recipient.     ");
    QTest::newRow("script") << QStringLiteral("javascript:alert(1)") << schemes;
    QTest::newRow("local file") << QStringLiteral("file:///etc/passwd") << schemes;
    QTest::newRow("browser page") << QStringLiteral("about:blank") << schemes;
    QTest::newRow("no scheme") << QStringLiteral("example.test") << schemes;
    QTest::newRow("no server") << QStringLiteral("http://")
                               << QStringLiteral("Please check your URL: it names no server.     ");
    QTest::newRow("option-like") << QStringLiteral("-http://example.test/")
                                 << QStringLiteral(
                                        "Please check your URL: its address begins with \"-\".     ");
}

void TestAddress::editorSaysWhy() {
    QFETCH(QString, address);
    QFETCH(QString, message);
    QCOMPARE(AddressPolicy::editorRefusal(address), message);
    // The same policy decides the opening: what the editor saves, the tab opens.
    QCOMPARE(AddressPolicy::decide(address).accepted(), message.isEmpty());
}

QTEST_GUILESS_MAIN(TestAddress)
#include "test_address.moc"
