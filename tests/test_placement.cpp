// SPDX-License-Identifier: MIT
// Window placement on real widgets: cInifile saving and restoring where a top-level window stands, through
// the window manager. The same rules on a window kept in memory are in test_ini.

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

#include "core/cInifile.h"
#include "links/WidgetPlacement.h"
#include "support/FileBytes.h"
#include "support/PlacementIni.h"

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void init();
    void saveFormPosition_data();
    void saveFormPosition();
    void saveFormPositionFailureRestoresKey();
    void loadFormPosition_data();
    void loadFormPosition();
    void loadFormPositionMaximises();
    void loadFormPositionFailureRestoresFields();
    void placementRoundTrip();

private:
    QString iniPath() const { return folder_->filePath(QStringLiteral("links.ini")); }
    QWidget* showWindow(const QRect& geometry);

    std::optional<QTemporaryDir> folder_;
    std::vector<std::unique_ptr<QWidget>> windows_;
};

void TestPlacement::init() {
    windows_.clear();
    folder_.emplace();
    QVERIFY(folder_->isValid());
}

QWidget* TestPlacement::showWindow(const QRect& geometry) {
    auto window = std::make_unique<QWidget>();
    window->setGeometry(geometry);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        QTest::qFail("the window was not exposed", __FILE__, __LINE__);
    window->setGeometry(geometry); // the window manager may have placed it on its own when mapping
    // Qt takes the new geometry at once; the pause lets the window manager's answer to the move land, which
    // nothing in Qt tells apart from the geometry already set.
    QTest::qWait(50);
    windows_.push_back(std::move(window));
    return windows_.back().get();
}

void TestPlacement::saveFormPosition_data() {
    QTest::addColumn<int>("state");
    QTest::newRow("normal") << 0;
    QTest::newRow("minimised") << 1;
    QTest::newRow("maximised") << 2;
}

void TestPlacement::saveFormPosition() {
    QFETCH(int, state);
    QWidget* window = showWindow(QRect(120, 140, 320, 240));
    WidgetPlacement placement(window);
    placement.setWindowState(state);
    QTRY_COMPARE(placement.windowState(), state);
    QVERIFY(writeBytes(iniPath(), "[frmMain]\nKeep=1\n"));

    cInifile ini = placementIni(iniPath());
    ini.SaveFormPosition(placement);

    QCOMPARE(ini.Key(), QStringLiteral("Current"));
    QByteArray expected = "[frmMain]\nKeep=1\n";
    if (state == 0) {
        const QRect frame = window->frameGeometry();
        expected += "Maximised=0\nLeft=" + QByteArray::number(frame.x() * 15) +
                    "\nTop=" + QByteArray::number(frame.y() * 15) +
                    "\nWidth=" + QByteArray::number(frame.width() * 15) +
                    "\nHeight=" + QByteArray::number(frame.height() * 15) + '\n';
    } else if (state == 2) {
        expected += "Maximised=1\n";
    }
    QCOMPARE(readBytes(iniPath()), expected);
    QCOMPARE(ini.Success(), state != 1);
}

void TestPlacement::saveFormPositionFailureRestoresKey() {
    QWidget* window = showWindow(QRect(100, 100, 300, 200));
    QWidget child(window); // not a window: it has no placement of its own
    WidgetPlacement placement(&child);

    cInifile ini = placementIni(iniPath());
    ini.setValue(QStringLiteral("1"));
    QVERIFY(ini.Success());

    ini.SaveFormPosition(placement);
    QCOMPARE(ini.LastReturnCode(), 0);
    QCOMPARE(ini.Key(), QStringLiteral("Current"));
    QCOMPARE(readBytes(iniPath()), QByteArray("[frmMain]\nCurrent=1\n"));
}

void TestPlacement::loadFormPosition_data() {
    // Stored keys (twips) and the window's own geometry (pixels).
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QRect>("start");
    // Where the frame ends up. Negative coordinates and sizes count from the screen's far edges; an empty
    // rectangle means the frame as it was before.
    QTest::addColumn<QRect>("expected");

    QTest::newRow("nothing stored: raised to the minimum and pulled 4 px inside")
        << QByteArray() << QRect(0, 0, 100, 80) << QRect(4, 4, 200, 200);
    QTest::newRow("nothing stored: a large window stays")
        << QByteArray() << QRect(50, 60, 400, 300) << QRect();
    QTest::newRow("stored placement") << QByteArray("Left=1500\nTop=2250\nWidth=6000\nHeight=4500\n")
                                      << QRect(50, 60, 250, 250) << QRect(100, 150, 400, 300);
    QTest::newRow("stored fractions round")
        << QByteArray("Left=1.5e3\nTop=2250.4\nWidth=6E3\nHeight=4500.5\n") << QRect(50, 60, 250, 250)
        << QRect(100, 150, 400, 300);
    QTest::newRow("unreadable values keep the window's")
        << QByteArray("Left=abc\nTop=\nWidth=FAIL\nHeight=1e99\n") << QRect(50, 60, 250, 220) << QRect();
    QTest::newRow("too small is raised") << QByteArray("Left=1500\nTop=1500\nWidth=150\nHeight=-20\n")
                                         << QRect(50, 60, 250, 250) << QRect(100, 100, 200, 200);
    QTest::newRow("past the right and bottom edges")
        << QByteArray("Left=999999\nTop=999999\nWidth=6000\nHeight=4500\n") << QRect(50, 60, 250, 250)
        << QRect(-404, -304, 400, 300);
    QTest::newRow("negative position") << QByteArray("Left=-3000\nTop=-1\nWidth=6000\nHeight=4500\n")
                                       << QRect(50, 60, 250, 250) << QRect(4, 4, 400, 300);
    QTest::newRow("wider and taller than the screen")
        << QByteArray("Left=1500\nTop=1500\nWidth=9999999\nHeight=9999999\n") << QRect(50, 60, 250, 250)
        << QRect(4, 4, -8, -8);
}

void TestPlacement::loadFormPosition() {
    QFETCH(QByteArray, stored);
    QFETCH(QRect, start);
    QFETCH(QRect, expected);
    QWidget* window = showWindow(start);
    const QSize screen = window->screen()->geometry().size();
    if (expected.isNull())
        expected = window->frameGeometry();
    if (expected.x() < 0)
        expected.moveLeft(screen.width() + expected.x());
    if (expected.y() < 0)
        expected.moveTop(screen.height() + expected.y());
    if (expected.width() < 0)
        expected.setWidth(screen.width() + expected.width());
    if (expected.height() < 0)
        expected.setHeight(screen.height() + expected.height());
    QVERIFY(writeBytes(iniPath(), "[frmMain]\n" + stored));

    cInifile ini = placementIni(iniPath());
    ini.setDefault(QStringLiteral("own default"));
    WidgetPlacement placement(window);
    ini.LoadFormPosition(placement);

    QTRY_COMPARE(window->frameGeometry(), expected);
    QCOMPARE(placement.windowState(), 0);
    QCOMPARE(ini.Key(), QStringLiteral("Current"));
    QCOMPARE(ini.Default(), QStringLiteral("own default"));
    QCOMPARE(ini.LastReturnCode(), 0);
}

void TestPlacement::loadFormPositionMaximises() {
    QWidget* window = showWindow(QRect(50, 60, 300, 250));
    QVERIFY(writeBytes(iniPath(), "[frmMain]\nMaximised= 1 \n"));
    cInifile ini = placementIni(iniPath(), QString());
    WidgetPlacement placement(window);
    ini.LoadFormPosition(placement);
    QTRY_COMPARE(placement.windowState(), 2);
    QTRY_VERIFY(window->isMaximized());
}

void TestPlacement::loadFormPositionFailureRestoresFields() {
    QWidget* window = showWindow(QRect(100, 100, 300, 200));
    QVERIFY(writeBytes(iniPath(), "[frmMain]\nLeft=1500\n"));
    cInifile ini = placementIni(iniPath());
    ini.setValue(QStringLiteral("1"));
    QVERIFY(ini.Success());

    QWidget child(window);
    WidgetPlacement childPlacement(&child);
    ini.LoadFormPosition(childPlacement);
    QCOMPARE(ini.LastReturnCode(), 0);
    QCOMPARE(ini.Key(), QStringLiteral("Current"));
    QVERIFY(ini.Default().isNull());
    QCOMPARE(ini.Value(), QStringLiteral("1"));

    // A placement arithmetic overflow is a failure too, and the window is not moved.
    QVERIFY(writeBytes(iniPath(), "[frmMain]\nLeft=2147483000\nWidth=6000\nHeight=4500\n"));
    const QRect before = window->frameGeometry();
    ini.setValue(QStringLiteral("1"));
    WidgetPlacement placement(window);
    ini.LoadFormPosition(placement);
    QCOMPARE(ini.LastReturnCode(), 0);
    // A placement sets the geometry at once; the pause lets the server's answer to a wrong move land too.
    QTest::qWait(50);
    QCOMPARE(window->frameGeometry(), before);
}

void TestPlacement::placementRoundTrip() {
    QWidget* first = showWindow(QRect(210, 170, 420, 330));
    cInifile ini = placementIni(iniPath(), QString());
    WidgetPlacement firstPlacement(first);
    ini.SaveFormPosition(firstPlacement);
    QVERIFY(ini.Success());

    QWidget* second = showWindow(QRect(20, 30, 250, 250));
    WidgetPlacement secondPlacement(second);
    ini.LoadFormPosition(secondPlacement);
    QTRY_COMPARE(second->frameGeometry(), first->frameGeometry());
    QCOMPARE(secondPlacement.windowState(), 0);
}

QTEST_MAIN(TestPlacement)

#include "test_placement.moc"
