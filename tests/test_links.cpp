// SPDX-License-Identifier: MIT
// The link store, the page selectors, the link editor and the link lights, on real files and with real
// pointer and key input.

#include "support/LinkPanelDriver.h"
#include "support/TabView.h"

#include "links/frmInput.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include <X11/keysym.h>

using namespace PanelDriver;

class TestLinks : public QObject {
    Q_OBJECT

private slots:
    void init();

    // Link store
    void loadsOnlyWhatTheFileHolds_data();
    void loadsOnlyWhatTheFileHolds();
    void nameWithoutAddressAndOverlongValue();
    void missingFileLeavesEverySlotEmptyUntilTheFirstSave();
    void unknownSectionsAndKeysSurviveSaves();
    void saveReloadsTheWholeTableFromTheFile();
    void linkFileInTheUserDataFolder();

    // Pages
    void selectorPressSwitchesPage_data();
    void selectorPressSwitchesPage();
    void pressingTheShownPageRewritesSettingAndCaptions();
    void switchingKeepsTheHighlightOnItsSlot();
    void storedPageOutOfRangeStartsOnPage0_data();
    void storedPageOutOfRangeStartsOnPage0();

    // Editor
    void editorOpensFromALight_data();
    void editorOpensFromALight();
    void blankTextsKeepOkDisabled_data();
    void blankTextsKeepOkDisabled();
    void okWithBlankTextsDoesNothing();
    void editorSavesWhatTheTabOpens_data();
    void editorSavesWhatTheTabOpens();
    void saveOnPage4Slot7WritesThatSlotAlone();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void dialogDraggedByItsStrip();
    void tabHandlersInertWhileEditorShows_data();
    void tabHandlersInertWhileEditorShows();
    void unwritableSaveKeepsTheDialog();
    void failedAddressWritePutsTheFileBack_data();
    void failedAddressWritePutsTheFileBack();
    void returningFromAnotherProgramKeepsWhatWasTyped();

    // Lights
    void lightFaces_data();
    void lightFaces();
};

namespace {

const QString kOldName = QStringLiteral("Old");
const QString kOldAddress = QStringLiteral("http://old.example/");
const QByteArray kOneLink = "[0]\nname0=Old\nurl0=http://old.example/\n";

void retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// Every cell holds a list of ten texts, and every text is empty but those of the slots named.
void checkEmptyExcept(const LinkTable& table, const std::set<std::pair<int, int>>& filled) {
    for (int p = 0; p < 9; ++p)
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(table.cell(p, k).size(), 10);
            for (int s = 0; s < 10; ++s)
                if (!filled.count({p, s}))
                    QVERIFY2(table.text(p, k, s).isEmpty(),
                             qPrintable(QStringLiteral("page %1 slot %2").arg(p).arg(s)));
        }
}

} // namespace

void TestLinks::init() {
    clearOpenedAddresses();
    QVERIFY(parkPointer());
}

// ---- link store ----

void TestLinks::loadsOnlyWhatTheFileHolds_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("keys as the editor writes them")
        << QByteArray("[3]\nname0=Three\nurl0=http://three.example/\n");
    QTest::newRow("keys in other letter case")
        << QByteArray("[3]\nNAME0=Three\nUrl0=http://three.example/\n");
}

void TestLinks::loadsOnlyWhatTheFileHolds() {
    QFETCH(QByteArray, file);
    TestProgram program;
    program.setStore({{"mdt", "3"}});
    program.writeLinks(file);
    frmMain& tab = program.start();

    QCOMPARE(tab.panel().table().text(3, 0, 0), QString("Three"));
    QCOMPARE(tab.panel().table().text(3, 1, 0), QString("http://three.example/"));
    checkEmptyExcept(tab.panel().table(), {{3, 0}});
    QCOMPARE(view(tab).lblLink[0]->Caption(), QString("Three"));
    for (int i = 1; i < 10; ++i)
        QVERIFY(view(tab).lblLink[i]->Caption().isEmpty());
}

void TestLinks::nameWithoutAddressAndOverlongValue() {
    const QByteArray longName = QByteArray("0123456789").repeated(30);
    TestProgram program;
    program.writeLinks("[0]\nname2=Only a name\nname4=" + longName + "\nurl4=http://long.example/\n");
    frmMain& tab = program.start();

    QCOMPARE(tab.panel().table().text(0, 0, 2), QString("Only a name"));
    QCOMPARE(tab.panel().table().text(0, 1, 2), QString());
    QCOMPARE(view(tab).lblLink[2]->Caption(), QString("Only a name"));
    QCOMPARE(tab.panel().table().text(0, 0, 4), QString::fromLatin1(longName.left(254)));
    QCOMPARE(view(tab).lblLink[4]->Caption(), QString::fromLatin1(longName.left(254)));
}

void TestLinks::missingFileLeavesEverySlotEmptyUntilTheFirstSave() {
    TestProgram program;
    MessageBoxAnswerer watcher;
    frmMain& tab = program.start();
    QVERIFY(!QFile::exists(program.linkFile()));
    checkEmptyExcept(tab.panel().table(), {});
    for (Label* caption : view(tab).lblLink)
        QVERIFY(caption->Caption().isEmpty());

    QVERIFY(showEditor(tab, 6));
    frmInput& editor = tab.input();
    retype(editor.txtURL, "http://first.example/");
    retype(editor.txtName, "First");
    RealInput::click(screenPoint(editor.cmdOK));
    QTRY_VERIFY(!editor.isVisible());
    QVERIFY(watcher.seen().isEmpty());

    const IniText written = readIniText(program.linkFile());
    QCOMPARE(written.size(), size_t(1));
    QCOMPARE(written.at("0"),
             (std::map<QString, QString>{{"name6", "First"}, {"url6", "http://first.example/"}}));
    QCOMPARE(tab.panel().table().text(0, 0, 6), QString("First"));
    QCOMPARE(view(tab).lblLink[6]->Caption(), QString("First"));
}

// A link file chosen at start-up in the user's data folder (an installed package): the first save makes its
// folder, the program folder stays untouched, and the next start reads the links from there.
void TestLinks::linkFileInTheUserDataFolder() {
    QTemporaryDir dataHome;
    const QString userFile = dataHome.path() + "/brimvel/links/plink.dat";
    {
        TestProgram program;
        program.state().linkFile = userFile;
        MessageBoxAnswerer watcher;
        frmMain& tab = program.start();
        QCOMPARE(tab.linkFilePath(), userFile);
        QVERIFY(!QFileInfo::exists(dataHome.path() + "/brimvel"));

        QVERIFY(showEditor(tab, 3));
        frmInput& editor = tab.input();
        retype(editor.txtURL, "http://user.example/");
        retype(editor.txtName, "User");
        RealInput::click(screenPoint(editor.cmdOK));
        QTRY_VERIFY(!editor.isVisible());
        QVERIFY(watcher.seen().isEmpty());
        QCOMPARE(readIniText(userFile).at("0"),
                 (std::map<QString, QString>{{"name3", "User"}, {"url3", "http://user.example/"}}));
        QCOMPARE(view(tab).lblLink[3]->Caption(), QString("User"));
        QVERIFY(!QFileInfo::exists(program.linkFile()));
    }
    TestProgram program;
    program.state().linkFile = userFile;
    frmMain& tab = program.start();
    QCOMPARE(tab.panel().table().text(0, 1, 3), QString("http://user.example/"));
    QCOMPARE(view(tab).lblLink[3]->Caption(), QString("User"));
}

void TestLinks::unknownSectionsAndKeysSurviveSaves() {
    TestProgram program;
    program.writeLinks("[9]\nname0=Page nine\n[0]\nname10=Slot ten\nname0=Zero\nurl0=http://zero.example/\n");
    frmMain& tab = program.start();
    checkEmptyExcept(tab.panel().table(), {{0, 0}});
    QCOMPARE(tab.panel().table().text(0, 0, 0), QString("Zero"));

    // Two saves: a new slot, then the existing one.
    for (const auto& [slot, name] : {std::pair{1, QString("One")}, std::pair{0, QString("Nought")}}) {
        QVERIFY(showEditor(tab, slot));
        frmInput& editor = tab.input();
        retype(editor.txtURL, QStringLiteral("http://%1.example/").arg(name.toLower()));
        retype(editor.txtName, name);
        RealInput::click(screenPoint(editor.cmdOK));
        QTRY_VERIFY(!editor.isVisible());
    }

    const IniText file = readIniText(program.linkFile());
    QCOMPARE(file.at("9"), (std::map<QString, QString>{{"name0", "Page nine"}}));
    QCOMPARE(file.at("0"), (std::map<QString, QString>{{"name10", "Slot ten"},
                                                       {"name0", "Nought"},
                                                       {"url0", "http://nought.example/"},
                                                       {"name1", "One"},
                                                       {"url1", "http://one.example/"}}));
    QCOMPARE(tab.panel().table().text(0, 0, 1), QString("One"));
    QCOMPARE(tab.panel().table().text(0, 0, 0), QString("Nought"));
    checkEmptyExcept(tab.panel().table(), {{0, 0}, {0, 1}});
}

void TestLinks::saveReloadsTheWholeTableFromTheFile() {
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();

    // Changes by hand after the start: another page, and another slot of the shown page.
    QByteArray text = fileBytes(program.linkFile());
    text.replace("name5=P2 N5\n", "name5=Edited by hand\n");
    text.replace("url3=http://p0.example/3\n", "url3=http://hand.example/\n");
    text.replace("name3=P0 N3\n", "name3=Renamed by hand\n");
    program.writeLinks(text);
    // The running tab notices the change to its file and shows it.
    QTRY_COMPARE(view(tab).lblLink[3]->Caption(), QString("Renamed by hand"));
    QCOMPARE(tab.panel().table().text(2, 0, 5), QString("Edited by hand"));

    QVERIFY(showEditor(tab, 1));
    frmInput& editor = tab.input();
    retype(editor.txtURL, "http://saved.example/");
    retype(editor.txtName, "Saved");
    RealInput::click(screenPoint(editor.cmdOK));
    QTRY_VERIFY(!editor.isVisible());

    const IniText file = readIniText(program.linkFile());
    for (int p = 0; p < 9; ++p)
        for (int s = 0; s < 10; ++s) {
            const auto& section = file.at(QString::number(p));
            QCOMPARE(tab.panel().table().text(p, 0, s), section.at(QStringLiteral("name%1").arg(s)));
            QCOMPARE(tab.panel().table().text(p, 1, s), section.at(QStringLiteral("url%1").arg(s)));
        }
    QCOMPARE(tab.panel().table().text(2, 0, 5), QString("Edited by hand"));
    QCOMPARE(tab.panel().table().text(0, 1, 3), QString("http://hand.example/"));
    QCOMPARE(view(tab).lblLink[1]->Caption(), QString("Saved"));
    QCOMPARE(view(tab).lblLink[3]->Caption(), QString("Renamed by hand"));
}

// ---- pages ----

void TestLinks::selectorPressSwitchesPage_data() {
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("button"); // X button: 1 left, 3 right
    QTest::newRow("selector 4, left button") << 4 << 1;
    QTest::newRow("selector 4, right button") << 4 << 3;
    QTest::newRow("selector 0, right button") << 0 << 3;
    QTest::newRow("selector 8, left button") << 8 << 1;
}

void TestLinks::selectorPressSwitchesPage() {
    QFETCH(int, selector);
    QFETCH(int, button);
    TestProgram program;
    program.setStore({{"mdt", "2"}});
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    QCOMPARE(view(tab).lblLink[0]->Caption(), nameOf(2, 0));

    RealInput::moveTo(screenPoint(view(tab).picMode[selector]));
    RealInput::press(button);
    // Held: sunken face, the page shown and stored.
    QCOMPARE(view(tab).picMode[selector]->picture(), view(tab).imlMode.image(2 * selector + 2));
    QCOMPARE(tab.state().currentPage(), int16_t(selector));
    QCOMPARE(program.store().value("mdt"), QString::number(selector));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(view(tab).lblLink[i]->Caption(), nameOf(selector, i));
    // Held over several ticks of the pointer-out timer: the face stays sunken.
    settleProgramTime(100);
    QCOMPARE(view(tab).picMode[selector]->picture(), view(tab).imlMode.image(2 * selector + 2));

    RealInput::release(button);
    for (int k = 0; k < 9; ++k)
        QCOMPARE(view(tab).picMode[k]->picture(), view(tab).imlMode.image(2 * k + 1));
    QCOMPARE(tab.state().currentPage(), int16_t(selector));
}

void TestLinks::pressingTheShownPageRewritesSettingAndCaptions() {
    TestProgram program;
    program.setStore({{"mdt", "2"}});
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    program.setStore({{"mdt", "7"}});
    view(tab).lblLink[0]->setCaption("stale");
    RealInput::click(screenPoint(view(tab).picMode[2]));
    QCOMPARE(program.store().value("mdt"), QString("2"));
    QCOMPARE(view(tab).lblLink[0]->Caption(), nameOf(2, 0));
    QCOMPARE(tab.state().currentPage(), int16_t(2));
    QCOMPARE(view(tab).picMode[2]->picture(), view(tab).imlMode.image(5));
}

void TestLinks::switchingKeepsTheHighlightOnItsSlot() {
    TestProgram program;
    program.writeLinks(fullLinkFile({{{2, 3}, ""}}));
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    RealInput::moveTo(screenPoint(view(tab).picLink[3], QPoint(6, 10)));
    QTRY_VERIFY(looksHighlighted(tab, 3));

    // The pointer stays on button 3 while the page changes (a real selector press would take it away).
    tab.picMode_MouseDown(1);
    tab.picMode_MouseUp(1);
    // Several ticks of the pointer-out timer: a lost highlight would show.
    settleProgramTime(100);
    QVERIFY(looksHighlighted(tab, 3));
    QCOMPARE(view(tab).lblLink[3]->Caption(), nameOf(1, 3));
    QCOMPARE(tab.panel().hoverLink(), int16_t(3));

    // Slot 3 is empty on page 2: the highlight stays until the pointer moves over a button.
    tab.picMode_MouseDown(2);
    tab.picMode_MouseUp(2);
    // Several ticks of the pointer-out timer: a lost highlight would show.
    settleProgramTime(100);
    QCOMPARE(view(tab).lblLink[3]->Caption(), QString());
    QVERIFY(looksHighlighted(tab, 3));

    RealInput::moveTo(screenPoint(view(tab).picLink[4], QPoint(6, 10)));
    QVERIFY(looksNormal(tab, 3));
    QVERIFY(looksHighlighted(tab, 4));
}

void TestLinks::storedPageOutOfRangeStartsOnPage0_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("below the first page") << "-1";
    QTest::newRow("beyond the last page") << "9";
    QTest::newRow("not a number") << "page";
}

void TestLinks::storedPageOutOfRangeStartsOnPage0() {
    QFETCH(QString, stored);
    TestProgram program;
    program.setStore({{"mdt", stored}});
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QCOMPARE(tab.state().currentPage(), int16_t(0));
    QCOMPARE(program.store().value("mdt"), QString("0"));
    QCOMPARE(view(tab).lblLink[9]->Caption(), nameOf(0, 9));
}

// ---- editor ----

void TestLinks::editorOpensFromALight_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::newRow("empty slot") << 5 << ""
                                << "";
    QTest::newRow("filled slot, stored texts as they are") << 2 << "Two, with inner  spaces"
                                                           << "http://two.example/";
}

void TestLinks::editorOpensFromALight() {
    QFETCH(int, slot);
    QFETCH(QString, name);
    QFETCH(QString, address);
    TestProgram program;
    program.writeLinks("[0]\nname2=Two, with inner  spaces\nurl2=http://two.example/\n");
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    RealInput::click(screenPoint(view(tab).picLinkLight[slot]));
    frmInput& editor = tab.input();
    QTRY_VERIFY(editor.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    QCOMPARE(editor.windowTitle(), QString("Brimvel"));
    QCOMPARE(tab.input().editIndex(), int16_t(slot));
    QCOMPARE(editor.txtName->text(), name);
    QCOMPARE(editor.txtURL->text(), address);
    QCOMPARE(editor.cmdOK->isEnabled(), !name.isEmpty());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor.txtURL));
    QTRY_COMPARE(editor.pos(), QPoint(444, 467));
    QCOMPARE(editor.geometry().size(), QSize(392, 89));
}

void TestLinks::blankTextsKeepOkDisabled_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("address of spaces") << "   "
                                       << "ab" << false;
    QTest::newRow("name of spaces") << "ab"
                                    << "   " << false;
    QTest::newRow("both of spaces") << " "
                                    << "  " << false;
    QTest::newRow("both with letters") << " a "
                                       << "b" << true;
}

void TestLinks::blankTextsKeepOkDisabled() {
    QFETCH(QString, address);
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(showEditor(tab, 0));
    frmInput& editor = tab.input();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor.txtURL));

    // Real keys into the focused box, Tab to the next one.
    auto type = [](const QString& text) {
        for (const QChar c : text)
            RealInput::tapKey(c == QLatin1Char(' ') ? XK_space : XK_a + (c.unicode() - 'a'));
    };
    QVERIFY(RealInput::waitForKeyboard(&editor));
    type(address);
    QTRY_COMPARE(editor.txtURL->text(), address);
    RealInput::tapKey(XK_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor.txtName));
    type(name);
    QTRY_COMPARE(editor.txtName->text(), name);
    QCOMPARE(editor.txtURL->text(), address);
    QCOMPARE(editor.cmdOK->isEnabled(), enabled);
}

void TestLinks::okWithBlankTextsDoesNothing() {
    // Texts that arrive without a key release (pasted with the pointer) leave OK as it was.
    TestProgram program;
    program.writeLinks(kOneLink);
    MessageBoxAnswerer watcher;
    frmMain& tab = program.start();
    QVERIFY(showEditor(tab, 0));
    frmInput& editor = tab.input();
    editor.txtURL->setText("   ");
    QVERIFY(editor.cmdOK->isEnabled());
    RealInput::click(screenPoint(editor.cmdOK));
    // The click has been handled; a save or a question would come from its handler, well within 200 ms.
    settle(200);
    QVERIFY(editor.isVisible());
    QVERIFY(watcher.seen().isEmpty());
    QCOMPARE(fileBytes(program.linkFile()), kOneLink);
    QCOMPARE(editor.txtURL->text(), QString("   "));
}

void TestLinks::editorSavesWhatTheTabOpens_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("storedAddress"); // empty: refused
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("message"); // what a refusal says

    const QString schemes = "Please begin your URL with http://, https://, ftp:// or mailto:     ";
    QTest::newRow("https accepted") << "https://example.com/"
                                    << "Site"
                                    << "https://example.com/"
                                    << "Site" << QString();
    QTest::newRow("capitals accepted, kept as typed") << "HTTPS://EXAMPLE.COM/"
                                                      << "Site"
                                                      << "HTTPS://EXAMPLE.COM/"
                                                      << "Site" << QString();
    QTest::newRow("ftp accepted") << "ftp://example.com/"
                                  << "Site"
                                  << "ftp://example.com/"
                                  << "Site" << QString();
    QTest::newRow("mail accepted") << "mailto:someone@example.com"
                                   << "Mail"
                                   << "mailto:someone@example.com"
                                   << "Mail" << QString();
    QTest::newRow("script refused") << "javascript:alert(1)"
                                    << "Site"
                                    << ""
                                    << "" << schemes;
    QTest::newRow("local file refused") << "file:///etc/passwd"
                                        << "Site"
                                        << ""
                                        << "" << schemes;
    QTest::newRow("no scheme refused") << "www.example.com"
                                       << "Site"
                                       << ""
                                       << "" << schemes;
    QTest::newRow("shorter than http:// refused") << "http:/"
                                                  << "Site"
                                                  << ""
                                                  << ""
                                                  << "Please check your URL: it names no server.     ";
    QTest::newRow("http:// alone refused") << "http://"
                                           << "Site"
                                           << ""
                                           << ""
                                           << "Please check your URL: it names no server.     ";
    QTest::newRow("outer spaces removed, inner kept") << "  http://example.com/a  "
                                                      << "  My  Site  "
                                                      << "http://example.com/a"
                                                      << "My  Site" << QString();
}

void TestLinks::editorSavesWhatTheTabOpens() {
    QFETCH(QString, address);
    QFETCH(QString, name);
    QFETCH(QString, storedAddress);
    QFETCH(QString, storedName);
    QFETCH(QString, message);
    const bool refused = storedAddress.isEmpty();

    TestProgram program;
    program.writeLinks(kOneLink);
    frmMain& tab = program.start();
    MessageBoxAnswerer watcher;
    QVERIFY(showEditor(tab, 0));
    frmInput& editor = tab.input();
    retype(editor.txtURL, address);
    retype(editor.txtName, name);
    QVERIFY(editor.cmdOK->isEnabled());
    RealInput::click(screenPoint(editor.cmdOK));

    if (refused) {
        QTRY_COMPARE(watcher.seen().size(), 1);
        const auto& box = watcher.seen().constFirst();
        QCOMPARE(box.title, QString("Brimvel"));
        QCOMPARE(box.text, message);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.txtURL->text(), address);
        QCOMPARE(editor.txtName->text(), name);
        QCOMPARE(fileBytes(program.linkFile()), kOneLink);
        QCOMPARE(view(tab).lblLink[0]->Caption(), kOldName);
        QCOMPARE(tab.panel().table().text(0, 1, 0), kOldAddress);
    } else {
        QTRY_VERIFY(!editor.isVisible());
        QVERIFY(watcher.seen().isEmpty());
        const auto section = readIniText(program.linkFile()).at("0");
        QCOMPARE(section.at("name0"), storedName);
        QCOMPARE(section.at("url0"), storedAddress);
        QCOMPARE(view(tab).lblLink[0]->Caption(), storedName);
        QCOMPARE(tab.panel().table().text(0, 1, 0), storedAddress);
        QVERIFY(editor.txtURL->text().isEmpty());
        QVERIFY(editor.txtName->text().isEmpty());
        QVERIFY(!editor.cmdOK->isEnabled());
    }
}

void TestLinks::saveOnPage4Slot7WritesThatSlotAlone() {
    TestProgram program;
    program.setStore({{"mdt", "4"}});
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    // A change by hand after the start, which the tab shows once it notices it.
    QByteArray text = fileBytes(program.linkFile());
    text.replace("name3=P4 N3\n", "name3=Hand edited\n");
    program.writeLinks(text);
    QTRY_COMPARE(view(tab).lblLink[3]->Caption(), QString("Hand edited"));
    IniText expected = readIniText(program.linkFile());

    RealInput::click(screenPoint(view(tab).picLinkLight[7]));
    frmInput& editor = tab.input();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    QCOMPARE(editor.txtName->text(), nameOf(4, 7));
    QCOMPARE(editor.txtURL->text(), addressOf(4, 7));
    retype(editor.txtURL, "http://seven.example/");
    retype(editor.txtName, "Seven");
    RealInput::click(screenPoint(editor.cmdOK));
    QTRY_VERIFY(!editor.isVisible());

    expected["4"]["name7"] = "Seven";
    expected["4"]["url7"] = "http://seven.example/";
    QCOMPARE(readIniText(program.linkFile()), expected);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(view(tab).lblLink[i]->Caption(), i == 7   ? QString("Seven")
                                                  : i == 3 ? QString("Hand edited")
                                                           : nameOf(4, i));
    QCOMPARE(tab.panel().table().text(4, 0, 3), QString("Hand edited"));
    QCOMPARE(tab.panel().table().text(4, 1, 7), QString("http://seven.example/"));
}

void TestLinks::cancelChangesNothing_data() {
    QTest::addColumn<int>("reopenAfterMs");
    // Soon after it was hidden the toolkit may still count the dialog as the active window.
    QTest::newRow("reopened at once") << 0;
    QTest::newRow("reopened a second later") << 1000;
}

void TestLinks::cancelChangesNothing() {
    QFETCH(int, reopenAfterMs);
    TestProgram program;
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));
    const QByteArray before = fileBytes(program.linkFile());

    RealInput::click(screenPoint(view(tab).picLinkLight[2]));
    frmInput& editor = tab.input();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    // The dialog centres itself after the window manager has placed it; the click on Cancel aims at the
    // centred dialog.
    QVERIFY(waitUntil([&] { return editor.pos() == QPoint(444, 467); }, 2000));
    retype(editor.txtURL, "http://other.example/");
    retype(editor.txtName, "Other");
    RealInput::click(screenPoint(editor.cmdCancel));
    QTRY_VERIFY(!editor.isVisible());

    QCOMPARE(fileBytes(program.linkFile()), before);
    QCOMPARE(tab.panel().table().text(0, 0, 2), nameOf(0, 2));
    QCOMPARE(tab.panel().table().text(0, 1, 2), addressOf(0, 2));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(view(tab).lblLink[i]->Caption(), nameOf(0, i));
    QVERIFY(editor.txtURL->text().isEmpty());
    QVERIFY(!editor.cmdOK->isEnabled());

    // Reopened, it shows what is stored, not what was typed; the row's case says how soon the hand comes
    // back.
    settle(reopenAfterMs);
    RealInput::click(screenPoint(view(tab).picLinkLight[2]));
    QTRY_VERIFY(editor.isVisible());
    QTRY_COMPARE(editor.txtName->text(), nameOf(0, 2));
    QCOMPARE(editor.txtURL->text(), addressOf(0, 2));
    QVERIFY(editor.cmdOK->isEnabled());
}

void TestLinks::dialogDraggedByItsStrip() {
    TestProgram program;
    frmMain& tab = program.start();
    QVERIFY(showEditor(tab, 0));
    frmInput& editor = tab.input();
    QCOMPARE(editor.pos(), QPoint(444, 467));

    // A point of the strip between the logo and the web address.
    const QPoint grabbed(200, 10);
    QPoint pointer = screenPoint(editor.imgDrag, grabbed);
    RealInput::moveTo(pointer);
    RealInput::press();
    QCOMPARE(editor.dragFlag, 1);
    for (const QPoint step : {QPoint(15, 5), QPoint(40, 30), QPoint(-120, 80)}) {
        pointer += step;
        RealInput::moveTo(pointer);
        QTRY_COMPARE(editor.mapToGlobal(grabbed), pointer);
    }
    RealInput::release();
    QCOMPARE(editor.dragFlag, 0);
    const QPoint placed = editor.pos();

    // Without a press the strip does nothing.
    RealInput::moveTo(pointer + QPoint(30, 2));
    // The move has been handled; a dialog that followed it would have moved at once.
    settle(200);
    QCOMPARE(editor.pos(), placed);
    QVERIFY(editor.isVisible());
}

void TestLinks::tabHandlersInertWhileEditorShows_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("drag");
    // The question the same press asks once the editor is gone; empty for the targets that ask none.
    QTest::addColumn<QString>("question");
    QTest::newRow("link click") << "link" << false << QString();
    QTest::newRow("link hover") << "hover" << false << QString();
    QTest::newRow("light press") << "light" << false << QString();
    QTest::newRow("selector press") << "selector" << false << QString();
    QTest::newRow("sound switch") << "sound" << false << QString();
    QTest::newRow("hover-open switch") << "mouseover" << false << QString();
    QTest::newRow("auto-retract switch") << "autoretract" << false << QString();
    QTest::newRow("stay-on-top switch") << "stayontop" << false << QString();
    QTest::newRow("drag handle") << "drag" << true << QString();
    QTest::newRow("exit button press")
        << "exit" << false << QStringLiteral("Are you sure you want to exit Brimvel?");
    QTest::newRow("update button press")
        << "update" << false << QStringLiteral("Would you like to download the updated version of Brimvel?");
}

void TestLinks::tabHandlersInertWhileEditorShows() {
    QFETCH(QString, target);
    QFETCH(bool, drag);
    QFETCH(QString, question);

    TestProgram program;
    // Hover opening on, so that the auto-retract switch would act.
    program.setStore({{"mso", "1"}});
    program.writeLinks(fullLinkFile());
    frmMain& tab = program.start();
    if (target == "update") {
        // A newer version is known: the update button blinks and takes clicks.
        tab.updates().applyVersionAnswer(QStringLiteral("2.0"));
        QVERIFY(waitUntil([&] { return view(tab).picUpdate->isEnabled(); }, 3000));
    }
    QVERIFY(slideOut(tab));
    QCOMPARE(tab.motion().autoRetractEnabled(), int16_t(-1));

    RealInput::click(screenPoint(view(tab).picLinkLight[1]));
    frmInput& editor = tab.input();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    // Let the highlight that the light click left go before taking the picture of the state.
    RealInput::moveTo(QPoint(300, 900));
    QTRY_VERIFY(looksNormal(tab, 1));

    auto describe = [&] {
        const AppState& m = tab.state();
        QStringList s;
        s << QStringLiteral("page %1 edit %2 hover %3 sound %4 mso %5 atr %6 ont %7 ext %8 once %9")
                 .arg(m.currentPage())
                 .arg(tab.input().editIndex())
                 .arg(tab.panel().hoverLink())
                 .arg(m.soundOn())
                 .arg(tab.state().prefs[Preferences::HoverOpen])
                 .arg(tab.state().prefs[Preferences::AutoRetract])
                 .arg(tab.state().prefs[Preferences::OnTop])
                 .arg(tab.motion().extended())
                 .arg(tab.motion().once());
        s << QStringLiteral("left %1 top %2").arg(tab.Left()).arg(tab.Top());
        auto id = [](const PictureBox* box) { return QString::number(quintptr(box->picture()), 16); };
        for (PictureBox* box : {view(tab).picSound, view(tab).picMouseover, view(tab).picAutoRetract,
                                view(tab).picStayOnTop, view(tab).picExit})
            s << id(box);
        for (int k = 0; k < 9; ++k)
            s << id(view(tab).picMode[k]);
        for (int i = 0; i < 10; ++i)
            s << id(view(tab).picLink[i]) + " " + id(view(tab).picLinkLight[i]) + " " +
                     view(tab).lblLink[i]->Caption();
        const auto store = program.store();
        for (auto it = store.begin(); it != store.end(); ++it)
            s << it.key() + "=" + it.value();
        s << QStringLiteral("editor %1 %2 %3")
                 .arg(editor.isVisible())
                 .arg(editor.txtName->text(), editor.txtURL->text());
        return s;
    };
    const QStringList before = describe();

    QPoint point;
    if (target == "link" || target == "hover")
        point = screenPoint(view(tab).picLink[target == "link" ? 3 : 4], QPoint(6, 10));
    else if (target == "light")
        point = screenPoint(view(tab).picLinkLight[3]);
    else if (target == "selector")
        point = screenPoint(view(tab).picMode[4]);
    else if (target == "sound")
        point = screenPoint(view(tab).picSound);
    else if (target == "mouseover")
        point = screenPoint(view(tab).picMouseover);
    else if (target == "autoretract")
        point = screenPoint(view(tab).picAutoRetract);
    else if (target == "stayontop")
        point = screenPoint(view(tab).picStayOnTop);
    else if (target == "drag")
        point = tab.mapToGlobal(QPoint(185, 35));
    else if (target == "update")
        point = screenPoint(view(tab).picUpdate);
    else
        point = screenPoint(view(tab).picExit);

    MessageBoxAnswerer watcher(QMessageBox::No);
    QStringList whileHeld;
    std::vector<int> onsets;
    QVERIFY(soundOf(
        [&] {
            RealInput::moveTo(point);
            if (target != "hover") {
                RealInput::press();
                if (drag)
                    RealInput::moveTo(point + QPoint(0, 40));
                whileHeld = describe();
                RealInput::release();
            } else {
                whileHeld = describe();
            }
            // The recording goes on: a cue the press set off would fall within 300 ms.
            settle(300);
        },
        onsets));

    QCOMPARE(whileHeld, before);
    QCOMPARE(describe(), before);
    QVERIFY2(onsets.empty(), listed(onsets));
    QVERIFY(watcher.seen().isEmpty());
    QVERIFY(openedAddresses().isEmpty());
    if (question.isEmpty())
        return;

    // Once the editor is gone the same press sounds and asks.
    editor.cmdCancel_Click();
    QVERIFY(waitUntil([&] { return !editor.isVisible(); }));
    QVERIFY(soundOf(
        [&] {
            RealInput::click(point);
            QVERIFY(waitUntil([&] { return watcher.seen().size() == 1; }));
        },
        onsets));
    QVERIFY2(!onsets.empty(), "no click sound");
    QCOMPARE(watcher.seen().first().text, question);
}

void TestLinks::unwritableSaveKeepsTheDialog() {
    TestProgram program;
    program.writeLinks(kOneLink);
    frmMain& tab = program.start();
    QVERIFY(showEditor(tab, 0));
    frmInput& editor = tab.input();

    // The links folder becomes a plain file: the link file's path cannot be created or written.
    const QString folder = program.programFolder() + "/data/links";
    QVERIFY(QDir().rename(folder, folder + ".away"));
    {
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    MessageBoxAnswerer watcher;
    retype(editor.txtURL, "http://new.example/");
    retype(editor.txtName, "New");
    RealInput::click(screenPoint(editor.cmdOK));
    QTRY_COMPARE(watcher.seen().size(), 1);

    const auto& box = watcher.seen().constFirst();
    QCOMPARE(box.title, QString("Brimvel"));
    QVERIFY2(box.text.contains(tab.linkFilePath()), qPrintable(box.text));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY(editor.isVisible());
    QCOMPARE(editor.txtURL->text(), QString("http://new.example/"));
    QCOMPARE(editor.txtName->text(), QString("New"));
    QCOMPARE(view(tab).lblLink[0]->Caption(), kOldName);
    QCOMPARE(tab.panel().table().text(0, 0, 0), kOldName);
    QCOMPARE(tab.panel().table().text(0, 1, 0), kOldAddress);

    QVERIFY(QFile::remove(folder));
    QVERIFY(QDir().rename(folder + ".away", folder));
    QCOMPARE(fileBytes(program.linkFile()), kOneLink);
}

// The layer refuses to make a link file larger than 64 MiB: a file just below that takes the short name but
// not the long address after it, the failure between the editor's two writes.
QByteArray nearlyFullLinkFile(const QByteArray& slot0) {
    constexpr qsizetype kLimit = 64 * 1024 * 1024;
    QByteArray text = "[0]\n" + slot0 + "[padding]\n";
    const QByteArray line = "note=" + QByteArray(4000, 'x') + "\n";
    while (text.size() + line.size() < kLimit - 4096)
        text += line;
    // Room for a few more bytes, not for the address.
    const qsizetype rest = kLimit - 12 - text.size();
    text += "last=" + QByteArray(rest - 6, 'y') + "\n";
    return text;
}

void TestLinks::failedAddressWritePutsTheFileBack_data() {
    QTest::addColumn<QByteArray>("slot0");
    QTest::addColumn<QByteArray>("handEdit"); // replaces slot0 in the file after the load; empty: none
    QTest::newRow("quoted, padded name")
        << QByteArray("name0=  \"Old\"  \nurl0=http://old.example/\n") << QByteArray();
    QTest::newRow("empty name entry") << QByteArray("name0=\n") << QByteArray();
    QTest::newRow("no entry at all") << QByteArray() << QByteArray();
    QTest::newRow("hand edit since the load") << QByteArray("name0=Old\nurl0=http://old.example/\n")
                                              << QByteArray("name0=Hnd\nurl0=http://hnd.example/\n");
}

void TestLinks::failedAddressWritePutsTheFileBack() {
    QFETCH(QByteArray, slot0);
    QFETCH(QByteArray, handEdit);
    TestProgram program;
    program.writeLinks(nearlyFullLinkFile(slot0));
    frmMain& tab = program.start();
    if (!handEdit.isEmpty())
        program.writeLinks(nearlyFullLinkFile(handEdit));
    const QByteArray before = fileBytes(program.linkFile());
    QVERIFY(showEditor(tab, 0));
    frmInput& editor = tab.input();

    MessageBoxAnswerer watcher;
    retype(editor.txtURL, "http://new.example/" + QString(200, QLatin1Char('a')));
    retype(editor.txtName, "Renamed");
    RealInput::click(screenPoint(editor.cmdOK));
    QTRY_COMPARE(watcher.seen().size(), 1);

    // Nothing was saved, and the message says so; the file is as it was, to the byte.
    QCOMPARE(watcher.seen().constFirst().text,
             QStringLiteral("The link could not be saved to %1.").arg(tab.linkFilePath()));
    QVERIFY(editor.isVisible());
    QCOMPARE(editor.txtName->text(), QString("Renamed"));
    QVERIFY(fileBytes(program.linkFile()) == before);
}

// Going to another program (to copy an address there, say) and back keeps what was typed and where the
// dialog stands.
void TestLinks::returningFromAnotherProgramKeepsWhatWasTyped() {
    TestProgram program;
    program.writeLinks(kOneLink);
    frmMain& tab = program.start();
    QVERIFY(showEditor(tab, 0));
    frmInput& editor = tab.input();
    retype(editor.txtName, "Typed name");
    editor.move(editor.pos() + QPoint(-120, 80));
    QVERIFY(waitUntil([&] { return editor.geometry().topLeft() != QPoint(); }));
    const QPoint placed = editor.pos();

    OtherProgramWindow browser(QStringLiteral("Browser"), QPoint(40, 40));
    QVERIFY(browser.focus());
    QVERIFY(waitUntil([&] { return !editor.isActiveWindow(); }));
    QVERIFY(focusWindow(editor.winId()));
    QVERIFY(waitUntil([&] { return editor.isActiveWindow(); }));
    // The editor refills its boxes as it becomes active: a refill that lost the typed texts would show.
    settle(200);
    QCOMPARE(editor.txtName->text(), QString("Typed name"));
    QCOMPARE(editor.txtURL->text(), kOldAddress);
    QCOMPARE(editor.pos(), placed);

    // Shown for a slot again, it is filled from the table.
    RealInput::click(screenPoint(editor.cmdCancel));
    QVERIFY(waitUntil([&] { return !editor.isVisible(); }));
    QVERIFY(showEditor(tab, 0));
    QCOMPARE(editor.txtName->text(), kOldName);
}

// ---- lights ----

void TestLinks::lightFaces_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("button"); // X button: 1 left, 3 right
    QTest::addColumn<int>("pressedFace");
    QTest::addColumn<int>("releasedFace");
    QTest::newRow("empty slot, left button") << 5 << 1 << 2 << 1;
    QTest::newRow("empty slot, right button") << 5 << 3 << 2 << 1;
    QTest::newRow("filled slot, left button") << 3 << 1 << 3 << 4;
    QTest::newRow("filled slot, right button") << 3 << 3 << 3 << 4;
}

void TestLinks::lightFaces() {
    QFETCH(int, slot);
    QFETCH(int, button);
    QFETCH(int, pressedFace);
    QFETCH(int, releasedFace);

    TestProgram program;
    program.writeLinks(fullLinkFile({{{0, 5}, ""}}));
    frmMain& tab = program.start();
    QVERIFY(slideOut(tab));

    RealInput::moveTo(screenPoint(view(tab).picLinkLight[slot]));
    if (slot == 3)
        QTRY_VERIFY(looksHighlighted(tab, 3));
    const Picture* pressed = nullptr;
    const Picture* held = nullptr;
    std::vector<int> onsets;
    QVERIFY(soundOf(
        [&] {
            RealInput::press(button);
            pressed = view(tab).picLinkLight[slot]->picture();
            // Held over several ticks of the pointer-out timer.
            settleProgramTime(100);
            held = view(tab).picLinkLight[slot]->picture();
        },
        onsets));
    QCOMPARE(pressed, view(tab).imlLinkLight.image(pressedFace));
    QCOMPARE(held, view(tab).imlLinkLight.image(pressedFace));
    RealInput::release(button);
    QCOMPARE(view(tab).picLinkLight[slot]->picture(), view(tab).imlLinkLight.image(releasedFace));
    QVERIFY2(onsets.size() == 1 && onsets.front() < 300, listed(onsets));

    frmInput& editor = tab.input();
    if (button == 1) {
        QTRY_VERIFY(editor.isVisible());
        QCOMPARE(tab.input().editIndex(), int16_t(slot));
        QCOMPARE(editor.txtName->text(), slot == 3 ? nameOf(0, 3) : QString());
    } else {
        // The release has been handled: an editor it opened would show within 200 ms.
        settle(200);
        QVERIFY(!editor.isVisible());
    }
}

QTEST_MAIN(TestLinks)
#include "test_links.moc"
