// SPDX-License-Identifier: MIT
// The words a second start passes to the running tab: the line splitting with its bound, and the real
// listener on a real local socket in a temporary folder, fed by senders in threads of their own (the blocking
// client calls would otherwise hold up the listener's event loop). No display.

#include "core/LineSplitter.h"
#include "platform/qt/LocalChannel.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <future>

namespace {

using Lines = QList<QByteArray>;

// What a raw sender saw: whether the listener dropped its connection, and the answers it got before.
struct Sent {
    bool dropped = false;
    QByteArray answers;
};

// Connects, writes `bytes` and reads answers until the listener closes the connection or 3 s pass quietly.
Sent sendRaw(const QString& path, const QByteArray& bytes) {
    Sent sent;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(5000))
        return sent;
    socket.write(bytes);
    socket.waitForBytesWritten(5000);
    while (socket.state() == QLocalSocket::ConnectedState && socket.waitForReadyRead(3000))
        sent.answers += socket.readAll();
    sent.answers += socket.readAll();
    sent.dropped = socket.state() != QLocalSocket::ConnectedState;
    return sent;
}

template <typename F> auto inThread(F f) {
    auto result = std::async(std::launch::async, std::move(f));
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return result.get();
}

} // namespace

class TestLocalChannel : public QObject {
    Q_OBJECT
private slots:
    void splitterBoundsEachLine_data() {
        QTest::addColumn<int>("maxLine");
        QTest::addColumn<Lines>("pieces");
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<bool>("overflowed");
        QTest::newRow("one word") << 8 << Lines{"toggle\n"} << Lines{"toggle"} << false;
        QTest::newRow("words split across pieces")
            << 8 << Lines{"tog", "gle\nto", "", "ggle\n\r\nrest"} << Lines{"toggle", "toggle", "\r"} << false;
        QTest::newRow("exactly the bound")
            << 4 << Lines{"abcd\nab", "cd\n"} << Lines{"abcd", "abcd"} << false;
        QTest::newRow("a line one past the bound") << 4 << Lines{"ok\nabcde\nlater\n"} << Lines{"ok"} << true;
        QTest::newRow("no line end, growing piece by piece")
            << 4 << Lines{"ab", "cd", "e", "\nnever\n"} << Lines{} << true;
        QTest::newRow("empty lines") << 1 << Lines{"\n\n"} << Lines{"", ""} << false;
    }
    void splitterBoundsEachLine() {
        QFETCH(int, maxLine);
        QFETCH(Lines, pieces);
        QFETCH(Lines, lines);
        QFETCH(bool, overflowed);
        LineSplitter splitter(maxLine);
        Lines out;
        bool fitted = true;
        for (const QByteArray& piece : pieces) {
            const bool fits = splitter.feed(piece);
            QVERIFY(fitted || !fits); // once cut off, it stays cut off
            fitted = fits;
            while (const auto line = splitter.next())
                out.append(*line);
        }
        QCOMPARE(out, lines);
        QCOMPARE(splitter.overflowed(), overflowed);
        QCOMPARE(fitted, !overflowed);
    }

    // A sender past the bound is cut off; the listener goes on and hears the next sender's word.
    void listenerDropsOverlongLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QByteArray>("answers");
        const QByteArray atBound(LocalChannel::kMaxLine, 'x');
        QTest::newRow("a line at the bound") << atBound + '\n' << false << QByteArray("ok\n");
        QTest::newRow("a line one past the bound") << atBound + "x\n" << true << QByteArray();
        QTest::newRow("a word, then 1 MiB without a line end")
            << "hello\n" + QByteArray(1 << 20, 'y') << true << QByteArray("ok\n");
        QTest::newRow("16 MiB of one line") << QByteArray(16 << 20, 'z') << true << QByteArray();
    }
    void listenerDropsOverlongLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, dropped);
        QFETCH(QByteArray, answers);
        QTemporaryDir dir;
        LocalChannel channel(dir.filePath(QStringLiteral("socket")));
        QStringList heard;
        QVERIFY(channel.listen([&](const QString& word) { heard.append(word); }));

        const Sent sent = inThread([&] { return sendRaw(channel.socketPath(), bytes); });
        QCOMPARE(sent.dropped, dropped);
        QCOMPARE(sent.answers, answers);
        QTRY_COMPARE(heard.size(), answers.count('\n'));
        for (const QString& word : std::as_const(heard))
            QVERIFY(word.size() <= LocalChannel::kMaxLine);

        // The listener still runs.
        QVERIFY(inThread([&] { return channel.tell(QStringLiteral("toggle"), 5000); }));
        QTRY_COMPARE(heard.last(), QStringLiteral("toggle"));
    }
};

QTEST_GUILESS_MAIN(TestLocalChannel)
#include "test_local_channel.moc"
