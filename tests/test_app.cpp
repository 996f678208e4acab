// SPDX-License-Identifier: MIT
// Start-up and the settings store: what the tab looks like and what the store holds after a start.

#include "app/SwitchPictures.h"
#include "app/frmMain.h"
#include "core/FileSettingsBackend.h"
#include "core/Twips.h"
#include "core/modRegistry.h"
#include "support/TabView.h"
#include "support/TestDesktop.h"
#include "tab/SoundCues.h"
#include "tab/frmBase.h"
#include "web/UpdateCheck.h"

#include <QFileInfo>
#include <QTest>

using Store = QMap<QString, QString>;
Q_DECLARE_METATYPE(Store)

// What a person sees of the tab after a start: where it stands, the page shown and how the switches look.
struct Shown {
    int top = 80; // twips
    int16_t page = 0;
    QString firstCaption = QStringLiteral("Zero page");
    SwitchLook onTop = SwitchLook::On;
    SwitchLook sound = SwitchLook::On;
    SwitchLook hoverOpen = SwitchLook::Off;
    SwitchLook autoRetract = SwitchLook::Dimmed;
    int16_t autoRetractUsable = 0;
};
Q_DECLARE_METATYPE(Shown)
Q_DECLARE_METATYPE(Switch)
Q_DECLARE_METATYPE(SwitchLook)

// The first start's view with some of it changed.
template <typename Change> Shown shown(Change change) {
    Shown result;
    change(result);
    return result;
}

class TestApp : public QObject {
    Q_OBJECT

private slots:
    void firstStartStoresDefaultsAndDocksTheTab();
    void startFromStoredSettings_data();
    void startFromStoredSettings();
    void switchPictures_data();
    void switchPictures();
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
    QVERIFY(tab.stayOnTop().eventDriven());
    QVERIFY(waitUntil([&] { return tab.stayOnTop().tmrOnTop().Interval() == 0; }, 2000));
    // Nothing to update to yet: the update button shows no news and takes no click.
    QCOMPARE(view(tab).picUpdate->picture(), view(tab).imlUpdate.image(1));
    QVERIFY(!view(tab).picUpdate->isEnabled());
    QVERIFY(tab.updates().tmrUpdate().Enabled());
}

// What a start makes of the stored settings, as a person sees it. How each stored text converts is
// tabulated with the preferences (test_core); here only what the tab shows of it, and what the tab itself
// stores back.
void TestApp::startFromStoredSettings_data() {
    QTest::addColumn<Store>("stored");
    QTest::addColumn<Shown>("seen");
    QTest::addColumn<Store>("storedAfter"); // the settings named here, after the start

    using L = SwitchLook;
    QTest::newRow("first start") << Store{} << Shown{} << Store{};
    // The handle stays on the screen: a place above it is corrected, and stored so.
    QTest::newRow("negative poy is brought onto the screen")
        << Store{{"poy", "-300"}} << shown([](Shown& s) { s.top = 0; }) << Store{{"poy", "0"}};
    QTest::newRow("mdt 3 shows the fourth page") << Store{{"mdt", "3"}} << shown([](Shown& s) {
        s.page = 3;
        s.firstCaption = QStringLiteral("Third page first");
    }) << Store{};
    QTest::newRow("mdt out of range starts on page 0") << Store{{"mdt", "12"}} << Shown{} << Store{};
    QTest::newRow("mdt not a number starts on page 0") << Store{{"mdt", "x"}} << Shown{} << Store{};
    QTest::newRow("ont 0") << Store{{"ont", "0"}} << shown([](Shown& s) { s.onTop = L::Off; }) << Store{};
    QTest::newRow("sound off") << Store{{"sdo", "0"}} << shown([](Shown& s) { s.sound = L::Off; }) << Store{};
    // The reads before it succeeded, so the failed conversion leaves the last good result in force: the
    // setting keeps its start value (sound off) and no default is written over the stored text.
    QTest::newRow("sound not a number after good reads")
        << Store{{"skn", "1"}, {"poy", "80"}, {"ont", "1"}, {"mso", "0"}, {"mdt", "0"}, {"sdo", "loud"}}
        << shown([](Shown& s) { s.sound = L::Off; }) << Store{{"sdo", "loud"}};
    // Auto-retract shows on only while hover opening is on, and can be switched only then.
    const auto hoverOn = [](SwitchLook autoRetract) {
        return shown([autoRetract](Shown& s) {
            s.hoverOpen = SwitchLook::On;
            s.autoRetract = autoRetract;
            s.autoRetractUsable = -1;
        });
    };
    QTest::newRow("auto-retract on, hover on")
        << Store{{"atr", "1"}, {"mso", "1"}} << hoverOn(L::On) << Store{};
    QTest::newRow("auto-retract on, hover off") << Store{{"atr", "1"}, {"mso", "0"}} << Shown{} << Store{};
    QTest::newRow("auto-retract off, hover on")
        << Store{{"atr", "0"}, {"mso", "1"}} << hoverOn(L::Off) << Store{};
    QTest::newRow("auto-retract off, hover off") << Store{{"atr", "0"}, {"mso", "0"}} << Shown{} << Store{};
}

void TestApp::startFromStoredSettings() {
    QFETCH(Store, stored);
    QFETCH(Shown, seen);
    QFETCH(Store, storedAfter);

    TestProgram program;
    program.setStore(stored);
    program.writeLinks("[0]\nname0=Zero page\n[3]\nname0=Third page first\n");
    frmMain& tab = program.start();

    QCOMPARE(tab.Top(), seen.top);
    QCOMPARE(tab.base().Top(), seen.top + 1180);
    QCOMPARE(tab.state().currentPage(), seen.page);
    QCOMPARE(view(tab).lblLink[0]->Caption(), seen.firstCaption);
    QCOMPARE(tab.stayOnTop().look(), seen.onTop);
    QCOMPARE(tab.cues().look(), seen.sound);
    QCOMPARE(tab.motion().hoverOpenLook(), seen.hoverOpen);
    QCOMPARE(tab.motion().autoRetractLook(), seen.autoRetract);
    QCOMPARE(tab.motion().autoRetractEnabled(), seen.autoRetractUsable);
    QVERIFY(showsLook(tab, view(tab).picStayOnTop, Switch::StayOnTop, seen.onTop));
    QVERIFY(showsLook(tab, view(tab).picSound, Switch::Sound, seen.sound));
    QVERIFY(showsLook(tab, view(tab).picMouseover, Switch::HoverOpen, seen.hoverOpen));
    QVERIFY(showsLook(tab, view(tab).picAutoRetract, Switch::AutoRetract, seen.autoRetract));
    // On or off, the docking timer settles without a tick of its own.
    QVERIFY(waitUntil([&] { return tab.stayOnTop().tmrOnTop().Interval() == 0; }, 2000));
    const Store now = program.store();
    for (auto it = storedAfter.begin(); it != storedAfter.end(); ++it)
        QCOMPARE(now.value(it.key()), it.value());
}

// The one map of a switch's look to its picture in the button list: dark faces off, lit faces on, a dimmed
// switch in its dark face, and none for a switch left as drawn.
void TestApp::switchPictures_data() {
    QTest::addColumn<Switch>("which");
    QTest::addColumn<SwitchLook>("look");
    QTest::addColumn<int>("picture"); // 0: none
    const struct {
        const char* name;
        Switch which;
        int off;
        int on;
    } switches[] = {{"hover opening", Switch::HoverOpen, 1, 2},
                    {"stay-on-top", Switch::StayOnTop, 3, 4},
                    {"auto-retract", Switch::AutoRetract, 7, 8},
                    {"sound", Switch::Sound, 9, 10}};
    for (const auto& s : switches) {
        QTest::addRow("%s on", s.name) << s.which << SwitchLook::On << s.on;
        QTest::addRow("%s off", s.name) << s.which << SwitchLook::Off << s.off;
        QTest::addRow("%s dimmed", s.name) << s.which << SwitchLook::Dimmed << s.off;
        QTest::addRow("%s as drawn", s.name) << s.which << SwitchLook::AsDrawn << 0;
    }
}

void TestApp::switchPictures() {
    QFETCH(Switch, which);
    QFETCH(SwitchLook, look);
    QFETCH(int, picture);
    QCOMPARE(switchPicture(which, look).value_or(0), picture);
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
