// SPDX-License-Identifier: MIT
// Web access and leaving the program: the version download, the update check's verdicts and prompt, the fixed
// vendor shortcuts on the three windows, and the close query (never answered Yes here: Yes ends the process).

#include "app/frmMain.h"
#include "core/Twips.h"
#include "core/VendorSite.h"
#include "links/frmInput.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"
#include "tab/frmBase.h"
#include "web/VersionFetcher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString kVendor = QStringLiteral(BRIMVEL_VENDOR_URL);
const QByteArray kVersionPath = "/download/Brimvel/version";

// A small HTTP server on a loopback address: answers each path with a chosen reply, records the request
// paths it saw, and can hold requests without ever answering.
class LoopbackServer : public QObject {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray location;  // a Location header, for redirects
        bool answers = true;  // false: read the request and never answer
        bool hangsUp = false; // with answers false: close the connection at once instead of holding it
        int dribbleMs = 0;    // above 0: the body is sent one byte at a time, this many ms apart

        static Reply with(int status, const QByteArray& body) { return withAll(status, body, {}, true, 0); }
        static Reply never() { return withAll(200, "2.0", {}, false, 0); }
        static Reply trickle(const QByteArray& body, int ms) { return withAll(200, body, {}, true, ms); }
        static Reply redirect(const QByteArray& location) { return withAll(302, {}, location, true, 0); }
        static Reply hangUp() {
            Reply reply = withAll(200, {}, {}, false, 0);
            reply.hangsUp = true;
            return reply;
        }

    private:
        static Reply withAll(int status, const QByteArray& body, const QByteArray& location, bool answers,
                             int dribbleMs) {
            Reply reply;
            reply.status = status;
            reply.body = body;
            reply.location = location;
            reply.answers = answers;
            reply.dribbleMs = dribbleMs;
            return reply;
        }
    };

    explicit LoopbackServer(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost)) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                accept(socket);
        });
        listening_ = server_.listen(address);
    }

    bool listening() const { return listening_; }
    QString base() const {
        return QStringLiteral("http://%1:%2")
            .arg(server_.serverAddress().toString())
            .arg(server_.serverPort());
    }
    void serve(const QByteArray& path, const Reply& reply) { replies_[path] = reply; }
    const QList<QByteArray>& requests() const { return requests_; }
    // Hangs up on every connection still open and on each new request for `path`, as a server that goes away
    // would. (The network layer tries a request again on a fresh connection when the first one is cut before
    // any answer, so a single cut would only start another wait.)
    void goAway(const QByteArray& path) {
        serve(path, Reply::hangUp());
        for (const QPointer<QTcpSocket>& socket : clients_)
            if (socket)
                socket->abort();
    }

private:
    void accept(QTcpSocket* socket) {
        clients_.append(socket);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n") || socket->property("seen").toBool())
                return;
            socket->setProperty("seen", true);
            const QByteArray path = request->left(request->indexOf("\r\n")).split(' ').value(1);
            requests_.append(path);
            respond(socket, replies_.value(path, Reply::with(404, "not here")));
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    void respond(QTcpSocket* socket, const Reply& reply) {
        if (reply.hangsUp)
            socket->abort();
        if (!reply.answers)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Whatever\r\n" +
                          "Content-Type: text/plain\r\nConnection: close\r\n" +
                          "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        if (!reply.location.isEmpty())
            head += "Location: " + reply.location + "\r\n";
        head += "\r\n";
        if (reply.dribbleMs <= 0) {
            socket->write(head + reply.body);
            socket->disconnectFromHost();
            return;
        }
        socket->write(head);
        auto* pace = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        const QByteArray body = reply.body;
        connect(pace, &QTimer::timeout, socket, [socket, pace, sent, body] {
            if (*sent >= body.size()) {
                pace->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        pace->start(reply.dribbleMs);
    }

    QTcpServer server_;
    bool listening_ = false;
    QMap<QByteArray, Reply> replies_;
    QList<QByteArray> requests_;
    QList<QPointer<QTcpSocket>> clients_;
};

// A bare TCP listener that keeps the first bytes of each connection and hangs up: it shows that a client
// came, and with what (a TLS handshake begins with the record type 0x16 and major version 3), without
// answering anything.
class ByteCatcher : public QObject {
public:
    explicit ByteCatcher(const QHostAddress& address) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections_;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    received_ += socket->readAll();
                    socket->abort();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        listening_ = server_.listen(address);
    }
    bool listening() const { return listening_; }
    quint16 port() const { return server_.serverPort(); }
    int connections() const { return connections_; }
    const QByteArray& received() const { return received_; }

private:
    QTcpServer server_;
    bool listening_ = false;
    int connections_ = 0;
    QByteArray received_;
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The state of the update check in one word, from every field, timer and widget that tells it.
QString updateState(frmMain& tab) {
    const bool dark = view(tab).picUpdate->picture() == view(tab).imlUpdate.image(1);
    if (tab.updates().updateCheck() == 0 && tab.state().prefs[Preferences::UpdateDue] == 1 &&
        tab.updates().tmrUpdate().Enabled() && !tab.updates().tmrUpdateBlink().Enabled() && dark &&
        !view(tab).picUpdate->isEnabled())
        return "waiting";
    if (tab.updates().updateCheck() == -1 && tab.state().prefs[Preferences::UpdateDue] == 0 &&
        !tab.updates().tmrUpdate().Enabled() && !tab.updates().tmrUpdateBlink().Enabled() && dark &&
        !view(tab).picUpdate->isEnabled())
        return "up to date";
    if (tab.updates().updateCheck() == -1 && tab.state().prefs[Preferences::UpdateDue] == 0 &&
        !tab.updates().tmrUpdate().Enabled() && tab.updates().tmrUpdateBlink().Enabled())
        return "newer";
    return "mixed";
}

} // namespace

Q_DECLARE_METATYPE(LoopbackServer::Reply)

class TestWeb : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // The download of the version text.
    void fetcherAnswers_data();
    void fetcherAnswers();
    void fetcherTakesOneRequestAtATime();
    void fetcherRedirects_data();
    void fetcherRedirects();

    // The update check on the tab.
    void verdict_data();
    void verdict();
    void noAnswerTriesAgainNextMinute_data();
    void noAnswerTriesAgainNextMinute();
    void waitDoublesUpToFourHours();
    void storedUpdZeroStopsWithoutDownloading();
    void blinkingStartsDarkAndEnablesTheButton();
    void updatePrompt_data();
    void updatePrompt();

    // The vendor shortcuts.
    void shortcuts_data();
    void shortcuts();

    // Leaving the program.
    void exitButtonAnsweredNo();
    void closeRequestAnsweredNo_data();
    void closeRequestAnsweredNo();

private:
    frmMain& openTab();
    std::unique_ptr<TestProgram> shared_;
};

void TestWeb::init() {
    // The shortcut rows share one open tab; no other test may find it standing where its own tab opens.
    if (QLatin1String(QTest::currentTestFunction()) != QLatin1String("shortcuts"))
        shared_.reset();
}

void TestWeb::cleanup() {
    VendorSite::setRootForTesting({});
    clearOpenedAddresses();
}

// One open tab, shared by the shortcut rows: each slide-out takes seconds.
frmMain& TestWeb::openTab() {
    if (!shared_) {
        shared_ = std::make_unique<TestProgram>();
        frmMain& tab = shared_->start();
        if (!slideOut(tab))
            QTest::qFail("the shared tab did not slide out", __FILE__, __LINE__);
    }
    return shared_->tab();
}

void TestWeb::fetcherAnswers_data() {
    using Reply = LoopbackServer::Reply;
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<bool>("portClosed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("prefixOnly");

    QTest::newRow("version with line end") << Reply::with(200, "1.5\r\n") << false << "1.5\r\n" << false;
    QTest::newRow("HTML page") << Reply::with(200, "<!DOCTYPE html><html>") << false
                               << "<!DOCTYPE html><html>" << false;
    QTest::newRow("empty body") << Reply::with(200, "") << false << "" << false;
    QTest::newRow("server error with a body") << Reply::with(500, "2.0") << false << "" << false;
    QTest::newRow("not found with a body") << Reply::with(404, "2.0") << false << "" << false;
    QTest::newRow("nothing listening") << Reply::with(200, "") << true << "" << false;
    QTest::newRow("never answers") << Reply::never() << false << "" << false;
    QTest::newRow("slow but inside the limit") << Reply::trickle("2.0\n", 100) << false << "2.0\n" << false;
    // Every byte comes well inside the limit, the whole answer does not: only a limit on the whole request
    // ends it.
    QTest::newRow("trickle past the limit")
        << Reply::trickle("2.0 and a long tail after it", 250) << false << "" << false;
    QTest::newRow("huge body is cut")
        << Reply::with(200, "2.0" + QByteArray(1 << 20, 'x')) << false << "2.0xxx" << true;
    QTest::newRow("redirect on the same host")
        << Reply::redirect("@same/download/Brimvel/moved") << false << "2.0 moved" << false;
    QTest::newRow("redirect to another host")
        << Reply::redirect("@other/download/Brimvel/moved") << false << "" << false;
}

void TestWeb::fetcherAnswers() {
    QFETCH(LoopbackServer::Reply, reply);
    QFETCH(bool, portClosed);
    QFETCH(QString, expected);
    QFETCH(bool, prefixOnly);

    LoopbackServer server;
    LoopbackServer elsewhere{QHostAddress(QStringLiteral("127.0.0.2"))};
    QVERIFY(server.listening() && elsewhere.listening());
    reply.location.replace("@same", server.base().toUtf8()).replace("@other", elsewhere.base().toUtf8());
    server.serve(kVersionPath, reply);
    server.serve("/download/Brimvel/moved", LoopbackServer::Reply::with(200, "2.0 moved"));
    elsewhere.serve("/download/Brimvel/moved", LoopbackServer::Reply::with(200, "2.0 moved"));

    QString base = server.base();
    if (portClosed) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        base = QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
    }

    VersionFetcher fetcher;
    fetcher.setTimeout(1500);
    int answers = 0;
    QString answer;
    QVERIFY(fetcher.fetch(base + QString::fromUtf8(kVersionPath), [&](const QString& text) {
        ++answers;
        answer = text;
    }));
    QVERIFY(waitUntil([&] { return answers > 0; }, 12000));
    // A second answer would follow the first in the same reply's handling.
    settle(100);
    QCOMPARE(answers, 1);
    QVERIFY(!fetcher.busy());
    if (prefixOnly) {
        QVERIFY2(answer.startsWith(expected), qPrintable(answer.left(20)));
        QVERIFY(answer.size() <= VersionFetcher::kMaxBytes);
    } else {
        QCOMPARE(answer, expected);
    }
    QVERIFY(elsewhere.requests().isEmpty());
    if (!portClosed)
        QCOMPARE(server.requests().value(0), kVersionPath);
}

void TestWeb::fetcherTakesOneRequestAtATime() {
    LoopbackServer server;
    QVERIFY(server.listening());
    server.serve(kVersionPath, LoopbackServer::Reply::never());
    const QString address = server.base() + QString::fromUtf8(kVersionPath);

    VersionFetcher fetcher;
    QStringList answers;
    auto collect = [&](const QString& text) { answers << text; };
    QVERIFY(fetcher.fetch(address, collect));
    QVERIFY(fetcher.busy());
    QVERIFY(!fetcher.fetch(address, collect));
    QVERIFY(waitUntil([&] { return server.requests().size() == 1; }));
    // A second request would reach the local server within 300 ms.
    settle(300);
    QCOMPARE(server.requests().size(), 1);

    // The server goes away: the waiting request ends with the empty answer and the next one may start.
    server.goAway(kVersionPath);
    QVERIFY(waitUntil([&] { return !answers.isEmpty(); }));
    QCOMPARE(answers, QStringList{QString()});
    QVERIFY(!fetcher.busy());
    server.serve(kVersionPath, LoopbackServer::Reply::with(200, "1.5"));
    const qsizetype before = server.requests().size();
    QVERIFY(fetcher.fetch(address, collect));
    QVERIFY(waitUntil([&] { return answers.size() == 2; }));
    QCOMPARE(answers.last(), QStringLiteral("1.5"));
    QCOMPARE(server.requests().size(), before + 1);
}

// Where a redirect may lead. Besides the server asked first, a second server listens on the same address
// (127.0.0.1) on another port, a third on another host (127.0.0.2), and bare listeners stand where https
// and ftp addresses would be answered. No TLS server runs here: a followed redirect to https shows as the
// start of a TLS handshake at the listener of that port, after which the download fails (the empty answer).
void TestWeb::fetcherRedirects_data() {
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("reached"); // what the redirect reached: "second", "tls", "" for nothing

    QTest::newRow("relative") << QByteArray("/download/Brimvel/moved") << "2.0 moved"
                              << "";
    QTest::newRow("same host, http, other port")
        << QByteArray("@second/download/Brimvel/moved") << "2.0 second"
        << "second";
    QTest::newRow("same host, https") << QByteArray("@tls/download/Brimvel/version") << ""
                                      << "tls";
    QTest::newRow("same host, ftp") << QByteArray("@ftp/download/Brimvel/version") << ""
                                    << "";
    QTest::newRow("another name of the same machine") << QByteArray("@localhost/download/Brimvel/moved") << ""
                                                      << "";
    QTest::newRow("other host, http") << QByteArray("@other/download/Brimvel/moved") << ""
                                      << "";
    QTest::newRow("other host, scheme-relative") << QByteArray("@relOther/download/Brimvel/moved") << ""
                                                 << "";
    QTest::newRow("other host, https") << QByteArray("@otherTls/download/Brimvel/version") << ""
                                       << "";
    QTest::newRow("same host, then another host") << QByteArray("@second/download/Brimvel/onwards") << ""
                                                  << "second";
}

void TestWeb::fetcherRedirects() {
    QFETCH(QByteArray, location);
    QFETCH(QString, expected);
    QFETCH(QString, reached);
    QVERIFY2(QSslSocket::supportsSsl(), "no TLS backend: a redirect to https could not even be tried");

    const QHostAddress here(QStringLiteral("127.0.0.1"));
    const QHostAddress elsewhereAddress(QStringLiteral("127.0.0.2"));
    LoopbackServer server{here};
    LoopbackServer second{here};
    LoopbackServer elsewhere{elsewhereAddress};
    ByteCatcher tls{here};
    ByteCatcher ftp{here};
    ByteCatcher otherTls{elsewhereAddress};
    QVERIFY(server.listening() && second.listening() && elsewhere.listening());
    QVERIFY(tls.listening() && ftp.listening() && otherTls.listening());
    const auto fill = [&](QByteArray text) {
        return text.replace("@second", second.base().toUtf8())
            .replace("@tls", "https://127.0.0.1:" + QByteArray::number(tls.port()))
            .replace("@ftp", "ftp://127.0.0.1:" + QByteArray::number(ftp.port()))
            .replace("@localhost",
                     "http://localhost:" + QByteArray::number(second.base().section(u':', -1).toInt()))
            .replace("@relOther",
                     "//127.0.0.2:" + QByteArray::number(elsewhere.base().section(u':', -1).toInt()))
            .replace("@otherTls", "https://127.0.0.2:" + QByteArray::number(otherTls.port()))
            .replace("@other", elsewhere.base().toUtf8());
    };
    server.serve(kVersionPath, LoopbackServer::Reply::redirect(fill(location)));
    server.serve("/download/Brimvel/moved", LoopbackServer::Reply::with(200, "2.0 moved"));
    second.serve("/download/Brimvel/moved", LoopbackServer::Reply::with(200, "2.0 second"));
    second.serve("/download/Brimvel/onwards",
                 LoopbackServer::Reply::redirect(fill("@other/download/Brimvel/moved")));
    elsewhere.serve("/download/Brimvel/moved", LoopbackServer::Reply::with(200, "2.0 elsewhere"));

    VersionFetcher fetcher;
    fetcher.setTimeout(3000);
    QStringList answers;
    QVERIFY(fetcher.fetch(server.base() + QString::fromUtf8(kVersionPath),
                          [&](const QString& text) { answers << text; }));
    QVERIFY(waitUntil([&] { return !answers.isEmpty(); }, 12000));
    // A second answer would follow the first in the same reply's handling.
    settle(100);
    QCOMPARE(answers, QStringList{expected});
    QVERIFY(!fetcher.busy());

    QCOMPARE(server.requests().value(0), kVersionPath);
    QCOMPARE(!second.requests().isEmpty(), reached == QLatin1String("second"));
    QCOMPARE(tls.connections() > 0, reached == QLatin1String("tls"));
    if (reached == QLatin1String("tls"))
        QVERIFY2(tls.received().startsWith("\x16\x03"), tls.received().toHex().left(40).constData());
    QCOMPARE(ftp.connections(), 0);
    QVERIFY(elsewhere.requests().isEmpty());
    QCOMPARE(otherTls.connections(), 0);
}

void TestWeb::verdict_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("state");

    QTest::newRow("1.5 and a line end") << QByteArray("1.5\n") << "up to date";
    QTest::newRow("1.5 alone") << QByteArray("1.5") << "up to date";
    QTest::newRow("1.50") << QByteArray("1.50") << "up to date";
    QTest::newRow("1.5.2") << QByteArray("1.5.2") << "up to date";
    QTest::newRow("2.0") << QByteArray("2.0") << "newer";
    QTest::newRow("1.4 is no ordering") << QByteArray("1.4") << "newer";
    QTest::newRow("start of an HTML page")
        << QByteArray("<!DOCTYPE html>\n<html><body>moved</body></html>") << "newer";
    QTest::newRow("blank before the version") << QByteArray(" 1.5") << "newer";
    QTest::newRow("shorter than a version") << QByteArray("1.") << "newer";
}

void TestWeb::verdict() {
    QFETCH(QByteArray, body);
    QFETCH(QString, state);

    LoopbackServer server;
    QVERIFY(server.listening());
    server.serve(kVersionPath, LoopbackServer::Reply::with(200, body));
    VendorSite::setRootForTesting(server.base());
    TestProgram program;
    frmMain& tab = program.start();
    QCOMPARE(updateState(tab), QStringLiteral("waiting"));
    QCOMPARE(program.store().value("upd"), QStringLiteral("1"));

    tab.updates().tmrUpdate_Timer();
    QVERIFY(waitUntil([&] { return tab.updates().updateCheck() == -1; }));
    // Checked in the same turn of the event loop the answer came in: no blink tick has run yet.
    QCOMPARE(updateState(tab), state);
    if (state == "newer") {
        QCOMPARE(tab.updates().tmrUpdateBlink().Interval(), 250);
        QVERIFY(!view(tab).picUpdate->isEnabled());
    }
    QCOMPARE(server.requests(), QList<QByteArray>{kVersionPath});
    QCOMPARE(program.store().value("upd"), QStringLiteral("0"));

    // A verdict is final for the run: a further tick asks nothing.
    tab.updates().tmrUpdate_Timer();
    // A request the tick started would reach the local server within 300 ms.
    settle(300);
    QCOMPARE(server.requests().size(), 1);
}

void TestWeb::noAnswerTriesAgainNextMinute_data() {
    using Reply = LoopbackServer::Reply;
    QTest::addColumn<Reply>("reply");
    QTest::newRow("empty body") << Reply::with(200, "");
    QTest::newRow("HTTP 500") << Reply::with(500, "2.0");
    QTest::newRow("never answers") << Reply::never();
}

void TestWeb::noAnswerTriesAgainNextMinute() {
    QFETCH(LoopbackServer::Reply, reply);

    LoopbackServer server;
    QVERIFY(server.listening());
    server.serve(kVersionPath, reply);
    VendorSite::setRootForTesting(server.base());
    TestProgram program;
    frmMain& tab = program.start();

    tab.updates().tmrUpdate_Timer();
    QVERIFY(waitUntil([&] { return server.requests().size() == 1; }));
    if (!reply.answers) {
        // While the download waits the program goes on: another window comes up, and the stay-on-top tick
        // that answers it brings a tab pushed off the screen back to the edge.
        tab.setLeft(Form::screenWidthTwips() + 3000);
        QWidget other;
        other.setGeometry(200, 200, 300, 200);
        other.show();
        QVERIFY(waitUntil([&] { return tab.Left() < Form::screenWidthTwips(); }, 3000));
        // A tick while a download still waits starts no second one.
        tab.updates().tmrUpdate_Timer();
        // A request the tick started would reach the local server within 300 ms.
        settle(300);
        QCOMPARE(server.requests().size(), 1);
        server.goAway(kVersionPath);
    }
    // The failed question is over when the next one is put off.
    QVERIFY(waitUntil([&] { return tab.updates().tmrUpdate().Interval() != 60000; }, 5000));
    QCOMPARE(updateState(tab), QStringLiteral("waiting"));
    QCOMPARE(program.store().value("upd"), QStringLiteral("1"));
    // The next question waits twice as long as the first.
    QCOMPARE(tab.updates().tmrUpdate().Interval(), 120000);

    // The next tick tries again, and this time the server answers.
    server.serve(kVersionPath, LoopbackServer::Reply::with(200, "2.0"));
    const qsizetype before = server.requests().size();
    tab.updates().tmrUpdate_Timer();
    QVERIFY(waitUntil([&] { return tab.updates().updateCheck() == -1; }));
    QCOMPARE(updateState(tab), QStringLiteral("newer"));
    QCOMPARE(server.requests().size(), before + 1);
}

void TestWeb::waitDoublesUpToFourHours() {
    TestProgram program;
    frmMain& tab = program.start();
    QCOMPARE(tab.updates().tmrUpdate().Interval(), 60000);
    QList<int> waits;
    for (int answer = 0; answer < 10; ++answer) {
        tab.updates().applyVersionAnswer(QString());
        waits.append(tab.updates().tmrUpdate().Interval());
    }
    const QList<int> expected{120000,  240000,  480000,   960000,   1920000,
                              3840000, 7680000, 14400000, 14400000, 14400000};
    QCOMPARE(waits, expected);
    QVERIFY(tab.updates().tmrUpdate().Enabled());
    // A verdict ends the asking.
    tab.updates().applyVersionAnswer(QStringLiteral("1.5"));
    QVERIFY(!tab.updates().tmrUpdate().Enabled());
}

void TestWeb::storedUpdZeroStopsWithoutDownloading() {
    LoopbackServer server;
    QVERIFY(server.listening());
    server.serve(kVersionPath, LoopbackServer::Reply::with(200, "2.0"));
    VendorSite::setRootForTesting(server.base());
    TestProgram program;
    frmMain& tab = program.start();

    {
        QSettings file(program.storeFile(), QSettings::IniFormat);
        file.setValue("upd", "0");
    }
    tab.updates().tmrUpdate_Timer();
    // A request the tick started would reach the local server within half a second.
    settle(500);
    QVERIFY(server.requests().isEmpty());
    QVERIFY(!tab.updates().tmrUpdate().Enabled());
    QCOMPARE(tab.state().prefs[Preferences::UpdateDue], int16_t(0));
    QCOMPARE(tab.updates().updateCheck(), int16_t(0));
    QVERIFY(!tab.updates().tmrUpdateBlink().Enabled());
    QVERIFY(!view(tab).picUpdate->isEnabled());
}

void TestWeb::blinkingStartsDarkAndEnablesTheButton() {
    LoopbackServer server;
    QVERIFY(server.listening());
    server.serve(kVersionPath, LoopbackServer::Reply::with(200, "2.0"));
    VendorSite::setRootForTesting(server.base());
    TestProgram program;
    frmMain& tab = program.start();
    const Picture* dark = view(tab).imlUpdate.image(1);
    const Picture* lit = view(tab).imlUpdate.image(2);

    tab.updates().tmrUpdate_Timer();
    QVERIFY(waitUntil([&] { return tab.updates().tmrUpdateBlink().Enabled(); }));
    QVERIFY(!view(tab).picUpdate->isEnabled());
    QCOMPARE(view(tab).picUpdate->picture(), dark);

    // The running blink timer: the first tick enables the button and shows the dark image, then they
    // alternate.
    QVERIFY(waitUntil([&] { return view(tab).picUpdate->isEnabled(); }, 2000));
    QCOMPARE(view(tab).picUpdate->picture(), dark);
    QCOMPARE(tab.updates().blinkCount(), int16_t(-1));
    QVERIFY(waitUntil([&] { return view(tab).picUpdate->picture() == lit; }, 2000));
    QCOMPARE(tab.updates().blinkCount(), int16_t(0));
    QVERIFY(waitUntil([&] { return view(tab).picUpdate->picture() == dark; }, 2000));
    QVERIFY(view(tab).picUpdate->isEnabled());
}

void TestWeb::updatePrompt_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void TestWeb::updatePrompt() {
    QFETCH(bool, yes);

    LoopbackServer server;
    QVERIFY(server.listening());
    server.serve(kVersionPath, LoopbackServer::Reply::with(200, "2.0"));
    VendorSite::setRootForTesting(server.base());
    TestProgram program;
    frmMain& tab = program.start();
    tab.updates().tmrUpdate_Timer();
    QVERIFY(waitUntil([&] { return view(tab).picUpdate->isEnabled(); }, 3000));
    VendorSite::setRootForTesting({}); // the download page lies on the vendor's own site
    QVERIFY(slideOut(tab));
    {
        QSettings file(program.storeFile(), QSettings::IniFormat);
        file.setValue("upd", "1");
    }

    MessageBoxAnswerer answerer(yes ? QMessageBox::Yes : QMessageBox::No);
    RealInput::click(screenPoint(view(tab).picUpdate));
    QVERIFY(waitUntil([&] { return answerer.seen().size() == 1; }));
    const MessageBoxAnswerer::Seen& box = answerer.seen().first();
    QCOMPARE(box.text, QStringLiteral("Would you like to download the updated version of Brimvel?"));
    QCOMPARE(box.title, QStringLiteral("Brimvel"));
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(program.store().value("upd"), QStringLiteral("0"));
    QCOMPARE(tab.state().prefs[Preferences::UpdateDue], int16_t(0));

    if (yes) {
        QVERIFY(waitForOpened(1));
        QCOMPARE(openedAddresses(), QStringList{kVendor + "/download/Brimvel/index.htm"});
        QVERIFY(!tab.updates().tmrUpdateBlink().Enabled());
        QCOMPARE(view(tab).picUpdate->picture(), view(tab).imlUpdate.image(1));
        QVERIFY(!view(tab).picUpdate->isEnabled());
        // Several periods of the blink timer pass without a lit face.
        settleProgramTime(600);
        QCOMPARE(view(tab).picUpdate->picture(), view(tab).imlUpdate.image(1));
    } else {
        // Still blinking and clickable; nothing opened; a further click asks again.
        QVERIFY(tab.updates().tmrUpdateBlink().Enabled());
        const Picture* now = view(tab).picUpdate->picture();
        QVERIFY(waitUntil([&] { return view(tab).picUpdate->picture() != now; }, 2000));
        QVERIFY(view(tab).picUpdate->isEnabled());
        RealInput::click(screenPoint(view(tab).picUpdate));
        QVERIFY(waitUntil([&] { return answerer.seen().size() == 2; }));
        QVERIFY(!waitForOpened(1, 1000));
    }
    QCOMPARE(server.requests().size(), 1);
}

void TestWeb::shortcuts_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("path");

    QTest::newRow("tab help") << "tab"
                              << "imgHelp"
                              << "/download/Brimvel/help.htm";
    QTest::newRow("tab products") << "tab"
                                  << "imgQuickLinks"
                                  << "/download/Brimvel/products.htm";
    QTest::newRow("tab search") << "tab"
                                << "imgSearch"
                                << "/download/Brimvel/search.htm";
    QTest::newRow("tab logo: downloads") << "tab"
                                         << "imgLogo"
                                         << "/download/";
    QTest::newRow("tab site root") << "tab"
                                   << "imgGoKestu"
                                   << "";
    QTest::newRow("base bar site root") << "base"
                                        << "imgGoKestu"
                                        << "";
    QTest::newRow("editor logo: download page") << "editor"
                                                << "imgLogo"
                                                << "/download/Brimvel/index.htm";
    QTest::newRow("editor site root") << "editor"
                                      << "imgGoKestu"
                                      << "";
}

void TestWeb::shortcuts() {
    QFETCH(QString, window);
    QFETCH(QString, image);
    QFETCH(QString, path);

    frmMain& tab = openTab();
    QCOMPARE(tab.geometry().left(), 1073);
    const QRect tabBefore = tab.geometry();
    const QRect baseBefore = tab.base().geometry();

    ImageArea* area = nullptr;
    if (window == "tab") {
        area = image == "imgHelp"         ? view(tab).imgHelp
               : image == "imgQuickLinks" ? view(tab).imgQuickLinks
               : image == "imgSearch"     ? view(tab).imgSearch
               : image == "imgLogo"       ? view(tab).imgLogo
                                          : view(tab).imgGoKestu;
    } else if (window == "base") {
        area = tab.base().imgGoKestu;
    } else {
        QVERIFY(showEditor(tab));
        area = image == "imgLogo" ? tab.input().imgLogo : tab.input().imgGoKestu;
    }
    QVERIFY(area->isVisible());

    RealInput::click(screenPoint(area));
    QVERIFY(waitForOpened(1));
    // Time for the desktop to record a second address it was wrongly given.
    settle(200);
    QCOMPARE(openedAddresses(), QStringList{kVendor + path});
    QCOMPARE(tab.motion().once(), int16_t(0));
    QCOMPARE(tab.geometry(), tabBefore);
    QCOMPARE(tab.base().geometry(), baseBefore);

    if (window == "editor") {
        QVERIFY(tab.input().isVisible()); // the shortcut leaves the dialog as it is
        tab.input().cmdCancel_Click();
        QVERIFY(waitUntil([&] { return !tab.input().isVisible(); }));
    }
}

void TestWeb::exitButtonAnsweredNo() {
    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    const QByteArray storeBefore = fileBytes(program.storeFile());
    const QRect geometryBefore = tab.geometry();
    const QRect baseBefore = tab.base().geometry();

    MessageBoxAnswerer answerer(QMessageBox::No);
    RealInput::moveTo(screenPoint(view(tab).picExit));
    RealInput::press();
    QVERIFY(waitUntil([&] { return view(tab).picExit->picture() == view(tab).imlButton.image(5); }, 1000));
    QVERIFY(answerer.seen().isEmpty()); // the question comes with the click, not the press
    RealInput::release();
    QVERIFY(waitUntil([&] { return answerer.seen().size() == 1; }));
    // The answer No ends the handler with the normal face.
    QVERIFY(waitUntil([&] { return view(tab).picExit->picture() == view(tab).imlButton.image(6); }, 2000));

    const MessageBoxAnswerer::Seen& box = answerer.seen().first();
    QCOMPARE(box.text, QStringLiteral("Are you sure you want to exit Brimvel?"));
    QCOMPARE(box.title, QStringLiteral("Brimvel"));
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);

    QCOMPARE(view(tab).picExit->picture(), view(tab).imlButton.image(6));
    QVERIFY(tab.isVisible());
    QVERIFY(tab.base().isVisible());
    QCOMPARE(tab.geometry(), geometryBefore);
    QCOMPARE(tab.base().geometry(), baseBefore);
    QCOMPARE(tab.motion().open(), int16_t(1));
    QCOMPARE(fileBytes(program.storeFile()), storeBefore);

    // Asks again on the next press.
    RealInput::click(screenPoint(view(tab).picExit));
    QVERIFY(waitUntil([&] { return answerer.seen().size() == 2; }));
    QVERIFY(tab.isVisible());
}

void TestWeb::closeRequestAnsweredNo_data() {
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("editorOpen");
    QTest::newRow("close command") << 0 << false;
    QTest::newRow("close command while the editor shows") << 0 << true;
    QTest::newRow("by the program while the editor shows") << 1 << true;
    QTest::newRow("task manager") << 3 << false;
}

void TestWeb::closeRequestAnsweredNo() {
    QFETCH(int, reason);
    QFETCH(bool, editorOpen);

    TestProgram program;
    frmMain& tab = program.start();
    if (editorOpen)
        QVERIFY(showEditor(tab));
    // As left by a press on the exit button: the answer No puts the normal face back whatever the source.
    view(tab).picExit->setPicture(view(tab).imlButton.image(5));

    MessageBoxAnswerer answerer(QMessageBox::No);
    tab.requestClose(reason);
    QVERIFY(waitUntil([&] { return answerer.seen().size() == 1; }));
    QVERIFY(waitUntil([&] { return view(tab).picExit->picture() == view(tab).imlButton.image(6); }, 2000));
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Are you sure you want to exit Brimvel?"));
    QCOMPARE(view(tab).picExit->picture(), view(tab).imlButton.image(6));
    QVERIFY(tab.isVisible());
    QVERIFY(tab.base().isVisible());
    QCOMPARE(tab.input().isVisible(), editorOpen);
}

QTEST_MAIN(TestWeb)
#include "test_web.moc"
