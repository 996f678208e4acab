// SPDX-License-Identifier: MIT
// Start-up and the settings store: what the tab looks like and what the store holds after a start.

#include "app/frmMain.h"
#include "core/FileSettingsBackend.h"
#include "core/Twips.h"
#include "core/modRegistry.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"
#include "tab/frmBase.h"

#include <QFileInfo>
#include <QTest>

using Store = QMap<QString, QString>;
Q_DECLARE_METATYPE(Store)

class TestApp : public QObject {
    Q_OBJECT

private slots:
    void firstStartStoresDefaultsAndDocksTheTab();
    void storedSettings_data();
    void storedSettings();
    void autoRetractButton_data();
    void autoRetractButton();
    void unreadableSettingAfterGoodReadsWritesNoDefault();
    void unreachableStoreUsesEveryDefault();
};

void TestApp::firstStartStoresDefaultsAndDocksTheTab() {
    TestProgram program;
    frmMain& tab = program.start();

    const Store expected{{"skn", "1"}, {"poy", "80"}, {"upd", "1"}, {"ont", "1"},
                         {"mso", "0"}, {"mdt", "0"},  {"sdo", "1"}, {"atr", "0"}};
    QCOMPARE(program.store(), expected);

    QCOMPARE(tab.Left(), 1280 * 15 - 91);
    QCOMPARE(tab.Top(), 80);
    QCOMPARE(tab.Width(), 3105);
    QCOMPARE(tab.Height(), 1200);
    // The real window: 6 px of it on screen, 80 px high, where the window system reports it.
    QTRY_COMPARE(tab.geometry(), QRect(1274, 5, 207, 80));
    QCOMPARE(tab.base().Left(), tab.Left());
    QCOMPARE(tab.base().Top(), tab.Top() + 1180);
    QVERIFY(tab.base().isVisible());

    // Stay-on-top is on; its tick waits for the X server to report a change instead of running every second.
    QVERIFY(tab.stayOnTop().on());
    QVERIFY(tab.stayOnTop().eventDriven());
    QVERIFY(waitUntil([&] { return tab.stayOnTop().tmrOnTop().Interval() == 0; }, 2000));
    QCOMPARE(view(tab).picStayOnTop->picture(), view(tab).imlButton.image(4));
    QCOMPARE(view(tab).picMouseover->picture(), view(tab).imlButton.image(1));
    QCOMPARE(view(tab).picSound->picture(), view(tab).imlButton.image(10));
    QCOMPARE(view(tab).picAutoRetract->picture(), view(tab).imlButton.image(7));
    QCOMPARE(view(tab).picExit->picture(), view(tab).imlButton.image(6));
    QCOMPARE(tab.motion().autoRetractEnabled(), int16_t(0));
    QCOMPARE(tab.state().currentPage(), int16_t(0));
    QCOMPARE(tab.state().soundOn(), int16_t(1));
    QCOMPARE(view(tab).picUpdate->picture(), view(tab).imlUpdate.image(1));
    QVERIFY(!view(tab).picUpdate->isEnabled());
    QCOMPARE(tab.hotkeys().lastKey(), int16_t(10));
    QCOMPARE(tab.hotkeys().pressedKey(), int16_t(10));
    QCOMPARE(tab.motion().extended(), int16_t(0));
    QCOMPARE(tab.motion().once(), int16_t(0));
    for (Timer* stopped : {&tab.motion().tmrGrow(), &tab.motion().tmrShrink(), &tab.motion().TimerRetract(),
                           &tab.updates().tmrUpdateBlink()})
        QVERIFY(!stopped->Enabled());
    QVERIFY(tab.updates().tmrUpdate().Enabled());
}

void TestApp::storedSettings_data() {
    QTest::addColumn<Store>("stored");
    QTest::addColumn<QString>("check");
    QTest::addColumn<Store>("storedAfter");

    // The handle stays on the screen: a place above it is corrected, and stored so.
    QTest::newRow("negative poy is brought onto the screen")
        << Store{{"poy", "-300"}} << "top0" << Store{{"poy", "0"}};
    QTest::newRow("mdt 3 shows the fourth page") << Store{{"mdt", "3"}} << "page3" << Store{{"mdt", "3"}};
    QTest::newRow("mdt out of range starts on page 0")
        << Store{{"mdt", "12"}} << "page0" << Store{{"mdt", "0"}};
    QTest::newRow("mdt not a number starts on page 0")
        << Store{{"mdt", "x"}} << "page0" << Store{{"mdt", "0"}};
    QTest::newRow("ont 0 stops the docking timer") << Store{{"ont", "0"}} << "ontoff" << Store{{"ont", "0"}};
    QTest::newRow("upd 0 is 1 again after a start") << Store{{"upd", "0"}} << "none" << Store{{"upd", "1"}};
    QTest::newRow("sound off") << Store{{"sdo", "0"}} << "soundoff" << Store{{"sdo", "0"}};
}

void TestApp::storedSettings() {
    QFETCH(Store, stored);
    QFETCH(QString, check);
    QFETCH(Store, storedAfter);

    TestProgram program;
    program.setStore(stored);
    program.writeLinks("[0]\nname0=Zero page\n[3]\nname0=Third page first\nname9=Third page last\n");
    frmMain& tab = program.start();

    if (check == "top0") {
        QCOMPARE(tab.Top(), 0);
        QCOMPARE(tab.base().Top(), 0 + 1180);
    } else if (check == "page3") {
        QCOMPARE(tab.state().currentPage(), int16_t(3));
        QCOMPARE(view(tab).lblLink[0]->Caption(), QString("Third page first"));
        QCOMPARE(view(tab).lblLink[9]->Caption(), QString("Third page last"));
    } else if (check == "page0") {
        QCOMPARE(tab.state().currentPage(), int16_t(0));
        QCOMPARE(view(tab).lblLink[0]->Caption(), QString("Zero page"));
    } else if (check == "ontoff") {
        QVERIFY(!tab.stayOnTop().on());
        QCOMPARE(tab.stayOnTop().tmrOnTop().Interval(), 0);
        QCOMPARE(view(tab).picStayOnTop->picture(), view(tab).imlButton.image(3));
    } else if (check == "soundoff") {
        QCOMPARE(tab.state().soundOn(), int16_t(0));
        QCOMPARE(view(tab).picSound->picture(), view(tab).imlButton.image(9));
    }
    const Store now = program.store();
    for (auto it = storedAfter.begin(); it != storedAfter.end(); ++it)
        QCOMPARE(now.value(it.key()), it.value());
    QCOMPARE(now.size(), 8);
}

void TestApp::autoRetractButton_data() {
    QTest::addColumn<QString>("atr");
    QTest::addColumn<QString>("mso");
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("enabled");
    QTest::newRow("on, hover on") << "1"
                                  << "1" << 8 << -1;
    QTest::newRow("on, hover off") << "1"
                                   << "0" << 7 << 0;
    QTest::newRow("off, hover on") << "0"
                                   << "1" << 7 << -1;
    QTest::newRow("off, hover off") << "0"
                                    << "0" << 7 << 0;
}

void TestApp::autoRetractButton() {
    QFETCH(QString, atr);
    QFETCH(QString, mso);
    QFETCH(int, picture);
    QFETCH(int, enabled);
    TestProgram program;
    program.setStore({{"atr", atr}, {"mso", mso}});
    frmMain& tab = program.start();
    QCOMPARE(view(tab).picAutoRetract->picture(), view(tab).imlButton.image(picture));
    QCOMPARE(int(tab.motion().autoRetractEnabled()), enabled);
    QCOMPARE(view(tab).picMouseover->picture(), view(tab).imlButton.image(mso == "1" ? 2 : 1));
}

void TestApp::unreadableSettingAfterGoodReadsWritesNoDefault() {
    // The reads before it succeeded, so the failed conversion leaves the last good result in force: the
    // setting keeps its start value (sound off) and no default is written over the stored text.
    TestProgram program;
    program.setStore(
        {{"skn", "1"}, {"poy", "80"}, {"ont", "1"}, {"mso", "0"}, {"mdt", "0"}, {"sdo", "loud"}});
    frmMain& tab = program.start();
    QCOMPARE(tab.state().soundOn(), int16_t(0));
    QCOMPARE(view(tab).picSound->picture(), view(tab).imlButton.image(9));
    QCOMPARE(program.store().value("sdo"), QString("loud"));
}

void TestApp::unreachableStoreUsesEveryDefault() {
    TestProgram program;
    // The store's folder is a regular file: nothing can be read or written there.
    QFile blocker(program.configFolder() + "/blocked");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    program.state().services.settings = std::make_unique<FileSettingsBackend>(blocker.fileName());
    frmMain& tab = program.start();
    QCOMPARE(tab.Top(), 80);
    QCOMPARE(tab.state().prefs[Preferences::OnTop], int16_t(1));
    QCOMPARE(tab.state().soundOn(), int16_t(1));
    QCOMPARE(tab.state().prefs[Preferences::HoverOpen], int16_t(0));
    QVERIFY(QFileInfo(blocker.fileName()).isFile());
}

QTEST_MAIN(TestApp)
#include "test_app.moc"
