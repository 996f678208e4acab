// SPDX-License-Identifier: MIT
// The widget-free core: preferences and their stored form, the link table, slide geometry and the version
// answer. Runs without a display.

#include "core/FileSettingsBackend.h"
#include "core/LinkTable.h"
#include "core/Preferences.h"
#include "core/SlideGeometry.h"
#include "core/VendorSite.h"
#include "core/VersionAnswer.h"
#include "core/modRegistry.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {
using Values = std::map<QString, QString>;

// The store as a user's file holds it: one INI file per key path in a folder of the test's own.
class Store {
public:
    Store() : backend_(dir_.path()) {}
    SettingsBackend* backend() { return &backend_; }
    void put(const Values& values) {
        for (const auto& [name, text] : values)
            backend_.write(modRegistry::kCurrentUser, modRegistry::kKeyPath, name, text);
    }
    Values read() {
        Values values;
        for (const Preferences::Row& row : Preferences::table()) {
            QString text;
            if (backend_.read(modRegistry::kCurrentUser, modRegistry::kKeyPath, QLatin1String(row.name),
                              text))
                values[QLatin1String(row.name)] = text;
        }
        return values;
    }

    // Writes the user's file by hand, as a person editing it would: exactly these lines, nothing else.
    bool editByHand(const QByteArray& text) {
        QFile file(backend_.fileFor(modRegistry::kKeyPath));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
    }
    QString file() const { return backend_.fileFor(modRegistry::kKeyPath); }

private:
    QTemporaryDir dir_;
    FileSettingsBackend backend_;
};

const Values kDefaults = {{"skn", "1"}, {"poy", "80"}, {"upd", "1"}, {"ont", "1"},
                          {"mso", "0"}, {"mdt", "0"},  {"sdo", "1"}, {"atr", "0"}};

Values with(Values base, const Values& changes) {
    for (const auto& [name, text] : changes)
        base[name] = text;
    return base;
}
} // namespace

Q_DECLARE_METATYPE(Values)
Q_DECLARE_METATYPE(VendorSite::Page)

class TestCore : public QObject {
    Q_OBJECT

private slots:
    void toInt16_data();
    void toInt16();
    void startUpReads_data();
    void startUpReads();
    void unreachableStoreTakesEveryDefault();
    void setWritesAndReloadReads();
    void storeReadSeesHandEdits();
    void linkTableFromFile();
    void linkTableOfMissingFile();
    void slideSteps_data();
    void slideSteps();
    void versionVerdict_data();
    void versionVerdict();
    void vendorPages_data();
    void vendorPages();
};

void TestCore::toInt16_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -99999 for no number
    QTest::newRow("plain") << "80" << 80;
    QTest::newRow("negative") << "-300" << -300;
    QTest::newRow("plus sign and blanks") << "  +7 " << 7;
    QTest::newRow("lowest") << "-32768" << -32768;
    QTest::newRow("highest") << "32767" << 32767;
    QTest::newRow("one too high") << "32768" << -99999;
    QTest::newRow("one too low") << "-32769" << -99999;
    QTest::newRow("empty") << "" << -99999;
    QTest::newRow("word") << "on" << -99999;
    QTest::newRow("decimal fraction") << "1.5" << -99999;
    QTest::newRow("trailing garbage") << "12px" << -99999;
}

void TestCore::toInt16() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    const std::optional<int16_t> value = modRegistry::toInt16(text);
    if (expected == -99999)
        QVERIFY(!value.has_value());
    else
        QCOMPARE(int(value.value_or(0)), expected);
}

void TestCore::startUpReads_data() {
    QTest::addColumn<Values>("stored");
    QTest::addColumn<Values>("after");    // the store after start-up
    QTest::addColumn<Values>("inMemory"); // the values start-up leaves in memory

    QTest::newRow("first start: every default") << Values{} << kDefaults << kDefaults;
    const Values mine = {{"skn", "1"}, {"poy", "-300"}, {"upd", "0"}, {"ont", "0"},
                         {"mso", "1"}, {"mdt", "3"},    {"sdo", "0"}, {"atr", "1"}};
    QTest::newRow("stored values used; the update due again")
        << mine << with(mine, {{"upd", "1"}}) << with(mine, {{"upd", "1"}});
    QTest::newRow("page out of range becomes the first")
        << Values{{"mdt", "12"}} << with(kDefaults, {}) << kDefaults;
    QTest::newRow("page that is no number becomes the first")
        << Values{{"mdt", "three"}} << kDefaults << kDefaults;
    // A text that does not convert skips its read, and the previous read or write decides: after one that
    // succeeded nothing is stored and the value keeps its initial 0.
    QTest::newRow("sound no number after good reads")
        << with(kDefaults, {{"sdo", "loud"}}) << with(kDefaults, {{"sdo", "loud"}})
        << with(kDefaults, {{"sdo", "0"}});
    QTest::newRow("hover no number after a written default")
        << Values{{"mso", "x"}} << with(kDefaults, {{"mso", "x"}}) << kDefaults;
    QTest::newRow("tab top beyond 16 bits after good reads")
        << Values{{"skn", "1"}, {"poy", "40000"}} << with(kDefaults, {{"poy", "40000"}})
        << with(kDefaults, {{"poy", "0"}});
}

void TestCore::startUpReads() {
    QFETCH(Values, stored);
    QFETCH(Values, after);
    QFETCH(Values, inMemory);
    Store store;
    store.put(stored);
    Preferences prefs(store.backend());
    prefs.loadAtStart();
    QCOMPARE(store.read(), after);
    for (const Preferences::Row& row : Preferences::table())
        QCOMPARE(QString::number(prefs[row.setting]), inMemory.at(QLatin1String(row.name)));
}

void TestCore::unreachableStoreTakesEveryDefault() {
    Preferences prefs(nullptr);
    prefs.loadAtStart();
    for (const Preferences::Row& row : Preferences::table())
        QCOMPARE(prefs[row.setting], row.fallback);
    prefs.set(Preferences::Page, 4);
    QCOMPARE(prefs[Preferences::Page], int16_t(4));
}

void TestCore::setWritesAndReloadReads() {
    Store store;
    Preferences prefs(store.backend());
    prefs.loadAtStart();
    prefs.set(Preferences::TabTop, 1234);
    QCOMPARE(store.read().at("poy"), QString("1234"));

    // Another writer changes the store; a reload sees it, one that does not convert keeps the value.
    store.put({{"poy", "-15"}});
    prefs.reload(Preferences::TabTop);
    QCOMPARE(prefs[Preferences::TabTop], int16_t(-15));
    store.put({{"poy", "high"}});
    prefs.reload(Preferences::TabTop);
    QCOMPARE(prefs[Preferences::TabTop], int16_t(-15));
}

// Every read goes to the file as it is now: an edit by hand between two reads is seen, an absent value leaves
// the result alone, and a stored number out of range abandons the read without touching the result.
void TestCore::storeReadSeesHandEdits() {
    Store store;
    SettingsBackend* backend = store.backend();
    int16_t value = 5;
    QVERIFY(
        modRegistry::WriteRegValue(backend, modRegistry::kCurrentUser, modRegistry::kKeyPath, "poy", value));
    QVERIFY(QFile::exists(store.file())); // on disk before the call returned
    QVERIFY(store.editByHand("[General]\npoy=1234\n"));
    int16_t read = 0;
    QVERIFY(
        modRegistry::ReadRegValue(backend, modRegistry::kCurrentUser, modRegistry::kKeyPath, "poy", read));
    QCOMPARE(read, int16_t(1234));
    int16_t absent = 9;
    QCOMPARE(
        modRegistry::ReadRegValue(backend, modRegistry::kCurrentUser, modRegistry::kKeyPath, "nope", absent),
        int16_t(0));
    QCOMPARE(absent, int16_t(9));
    QVERIFY(store.editByHand("[General]\npoy=99999\n"));
    int16_t kept = 3;
    QVERIFY_THROWS_EXCEPTION(
        modRegistry::Abandoned,
        modRegistry::ReadRegValue(backend, modRegistry::kCurrentUser, modRegistry::kKeyPath, "poy", kept));
    QCOMPARE(kept, int16_t(3));
}

void TestCore::linkTableFromFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("plink.dat");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[0]\r\nname0=Zero\r\nurl0=http://zero.example/\r\n[8]\r\nname9=  Padded  \r\nurl9=\"q\"\r\n"
               "[9]\r\nname0=Beyond the pages\r\n");
    file.close();

    LinkTable table;
    table.load(path);
    QCOMPARE(table.name(0, 0), QString("Zero"));
    QCOMPARE(table.address(0, 0), QString("http://zero.example/"));
    QCOMPARE(table.name(8, 9), QString("Padded"));
    QCOMPARE(table.address(8, 9), QString("q"));
    QCOMPARE(table.name(0, 1), QString());
    // Out of the table: nothing, never a crash.
    QCOMPARE(table.text(9, 0, 0), QString());
    QCOMPARE(table.text(0, 2, 0), QString());
    QCOMPARE(table.text(0, 0, 10), QString());
    QCOMPARE(table.text(-1, 0, 0), QString());
}

void TestCore::linkTableOfMissingFile() {
    LinkTable table;
    table.load(QStringLiteral("/nonexistent/folder/plink.dat"));
    for (int p = 0; p < LinkTable::kPages; ++p)
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(table.cell(p, k).size(), LinkTable::kSlots);
            for (const QString& text : table.cell(p, k))
                QVERIFY(text.isEmpty());
        }
}

void TestCore::slideSteps_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<int>("outSteps");
    QTest::addColumn<int>("inSteps");
    // The tab docked after start-up on a 1280-pixel screen: 3014 twips hidden, 81.46 steps.
    QTest::newRow("docked at start") << 3105 << 19200 - 91 << 19200 << 81 << 81;
    // Re-docked one twip further in: 3015 / 37 = 81.49.
    QTest::newRow("re-docked") << 3105 << 19200 - 90 << 19200 << 81 << 81;
    QTest::newRow("a step more hidden") << 3105 << 19200 - 91 + 37 << 19200 << 82 << 81;
    // Nothing hidden: a negative count, so the slide runs no step.
    QTest::newRow("wholly on screen") << 3105 << 0 << 19200 << -435 << 81;
    QTest::newRow("narrow tab") << 111 << 0 << 0 << 3 << 0;
}

void TestCore::slideSteps() {
    QFETCH(int, width);
    QFETCH(int, left);
    QFETCH(int, screenWidth);
    QFETCH(int, outSteps);
    QFETCH(int, inSteps);
    QCOMPARE(int(SlideGeometry::slideOutSteps(width, left, screenWidth)), outSteps);
    QCOMPARE(int(SlideGeometry::slideInSteps(width)), inSteps);
}

void TestCore::versionVerdict_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("verdict");
    using VersionAnswer::Verdict;
    QTest::newRow("nothing") << "" << int(Verdict::None);
    QTest::newRow("this version") << "1.5" << int(Verdict::Current);
    QTest::newRow("this version with a line end") << "1.5\r\n" << int(Verdict::Current);
    QTest::newRow("only the first three characters count") << "1.51" << int(Verdict::Current);
    QTest::newRow("newer") << "1.6" << int(Verdict::Newer);
    QTest::newRow("older counts as different") << "1.4" << int(Verdict::Newer);
    QTest::newRow("a page instead of a version") << "<html>" << int(Verdict::Newer);
    QTest::newRow("short") << "1" << int(Verdict::Newer);
}

void TestCore::versionVerdict() {
    QFETCH(QString, answer);
    QFETCH(int, verdict);
    QCOMPARE(int(VersionAnswer::verdictOf(answer)), verdict);
}

void TestCore::vendorPages_data() {
    QTest::addColumn<VendorSite::Page>("page");
    QTest::addColumn<QString>("path");
    QTest::newRow("products") << VendorSite::Page::Products << "/download/Brimvel/products.htm";
    QTest::newRow("search") << VendorSite::Page::Search << "/download/Brimvel/search.htm";
    QTest::newRow("help") << VendorSite::Page::Help << "/download/Brimvel/help.htm";
    QTest::newRow("downloads") << VendorSite::Page::Downloads << "/download/";
}

// Each page lies under the site's base address, the built-in one or one put in its place.
void TestCore::vendorPages() {
    QFETCH(VendorSite::Page, page);
    QFETCH(QString, path);
    QCOMPARE(VendorSite::url(page), QStringLiteral(BRIMVEL_VENDOR_URL) + path);
    VendorSite::setRootForTesting(QStringLiteral("http://127.0.0.1:8080"));
    QCOMPARE(VendorSite::url(page), QStringLiteral("http://127.0.0.1:8080") + path);
    VendorSite::setRootForTesting({});
    QCOMPARE(VendorSite::url(page), QStringLiteral(BRIMVEL_VENDOR_URL) + path);
}

QTEST_GUILESS_MAIN(TestCore)
#include "test_core.moc"
