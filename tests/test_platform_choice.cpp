// SPDX-License-Identifier: MIT
// Which Qt platform the program asks for, and what it says when no X server can be reached. No display: the
// X server's reachability is given by each row.

#include "platform/PlatformChoice.h"

#include <QList>
#include <QTest>

class TestPlatformChoice : public QObject {
    Q_OBJECT

private slots:
    void platformChoice_data();
    void platformChoice();
};

void TestPlatformChoice::platformChoice_data() {
    QTest::addColumn<QByteArray>("chosen");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QString>("warningMentions"); // empty: no warning
    QTest::addColumn<QString>("errorMentions");   // empty: no error

    QTest::newRow("none chosen: X11 asked for")
        << QByteArray() << QByteArray(":3") << true << QByteArray("xcb") << QString() << QString();
    QTest::newRow("none chosen, no X server") << QByteArray() << QByteArray(":3") << false
                                              << QByteArray("xcb") << QString() << QStringLiteral("\":3\"");
    QTest::newRow("none chosen, no DISPLAY") << QByteArray() << QByteArray() << false << QByteArray("xcb")
                                             << QString() << QStringLiteral("DISPLAY is not set");
    QTest::newRow("xcb chosen") << QByteArray("xcb") << QByteArray(":3") << true << QByteArray() << QString()
                                << QString();
    QTest::newRow("xcb with options chosen, no X server")
        << QByteArray("xcb:nograb") << QByteArray(":3") << false << QByteArray() << QString()
        << QStringLiteral("X server");
    QTest::newRow("wayland chosen: it stands, with a warning")
        << QByteArray("wayland") << QByteArray(":3") << false << QByteArray()
        << QStringLiteral("wayland platform") << QString();
    QTest::newRow("offscreen chosen") << QByteArray("offscreen") << QByteArray(":3") << true << QByteArray()
                                      << QStringLiteral("need X11") << QString();
    QTest::newRow("fall-backs after xcb: Qt tries them")
        << QByteArray("xcb;wayland") << QByteArray(":3") << false << QByteArray() << QString() << QString();
}

void TestPlatformChoice::platformChoice() {
    QFETCH(QByteArray, chosen);
    QFETCH(QByteArray, display);
    QFETCH(bool, reachable);
    QFETCH(QByteArray, platform);
    QFETCH(QString, warningMentions);
    QFETCH(QString, errorMentions);
    QList<QByteArray> tried;
    const PlatformChoice::Decision decision =
        PlatformChoice::decide(chosen, display, [&](const QByteArray& d) {
            tried << d;
            return reachable;
        });
    QCOMPARE(decision.platform, platform);
    QCOMPARE(decision.warning.isEmpty(), warningMentions.isEmpty());
    QVERIFY2(QString::fromUtf8(decision.warning).contains(warningMentions), decision.warning.constData());
    QCOMPARE(decision.error.isEmpty(), errorMentions.isEmpty());
    QVERIFY2(QString::fromUtf8(decision.error).contains(errorMentions), decision.error.constData());
    for (const QByteArray& d : tried)
        QCOMPARE(d, display);
}

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "test_platform_choice.moc"
