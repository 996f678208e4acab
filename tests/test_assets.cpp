// SPDX-License-Identifier: MIT
// Checks the generated pictures and sounds in the folder named by the environment variable BRIMVEL_ASSET_DIR.
//
// CMake wiring (root CMakeLists.txt, after add_subdirectory(assets)):
//   add_executable(test_assets tests/test_assets.cpp)
//   target_link_libraries(test_assets PRIVATE Qt6::Test Qt6::Gui)
//   add_dependencies(test_assets brimvel_assets)
//   add_test(NAME test_assets COMMAND test_assets)
//   set_tests_properties(test_assets PROPERTIES ENVIRONMENT "BRIMVEL_ASSET_DIR=${BRIMVEL_ASSET_DIR}")
// It needs moc (Q_OBJECT, #include "test_assets.moc"): AUTOMOC on for the target, or qt_wrap_cpp.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Opaque columns per band of rows, as the windows are cut: rows not listed are fully transparent.
struct RowBand {
    int firstRow;
    int lastRow;
    int firstCol;
    int lastCol;
};
using Outline = std::vector<RowBand>;

const Outline kTabOutline = {
    {1, 1, 2, 204}, {2, 77, 1, 205}, {78, 78, 2, 204}, {80, 299, 12, 177}, {300, 300, 13, 176},
};
const Outline kBaseOutline = {{2, 29, 12, 177}, {30, 30, 13, 176}};

bool expectedOpaque(const Outline& outline, int x, int y) {
    for (const RowBand& band : outline)
        if (y >= band.firstRow && y <= band.lastRow && x >= band.firstCol && x <= band.lastCol)
            return true;
    return false;
}

constexpr QRgb kKeyGreen = 0xFF00FF00;

bool isKeyGreen(QRgb pixel) {
    return (pixel | 0xFF000000) == kKeyGreen;
}

// The environment names the folder; the build may also compile it in as a fallback.
QString assetDir() {
    const QString fromEnvironment = qEnvironmentVariable("BRIMVEL_ASSET_DIR");
#ifdef BRIMVEL_ASSET_DIR
    if (fromEnvironment.isEmpty())
        return QStringLiteral(BRIMVEL_ASSET_DIR);
#endif
    return fromEnvironment;
}

QString assetPath(const QString& name) {
    return QDir(assetDir()).filePath(name);
}

QString at2x(const QString& name) {
    QString scaled = name;
    return scaled.replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
}

QImage loadPicture(const QString& name) {
    QImage image(assetPath(name));
    return image.convertToFormat(QImage::Format_ARGB32);
}

int channelDistance(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// What a wave file says about itself, read from its chunks.
struct WaveInfo {
    bool riffWave = false;
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<qint16> samples;
};

WaveInfo readWave(const QString& path) {
    WaveInfo info;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return info;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || bytes.left(4) != "RIFF" || bytes.mid(8, 4) != "WAVE")
        return info;
    info.riffWave = true;
    const auto* raw = reinterpret_cast<const uchar*>(bytes.constData());
    qsizetype offset = 12;
    while (offset + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(offset, 4);
        const qsizetype size = qFromLittleEndian<quint32>(raw + offset + 4);
        const qsizetype body = offset + 8;
        if (body + size > bytes.size())
            break;
        if (id == "fmt " && size >= 16) {
            info.format = qFromLittleEndian<quint16>(raw + body);
            info.channels = qFromLittleEndian<quint16>(raw + body + 2);
            info.sampleRate = static_cast<int>(qFromLittleEndian<quint32>(raw + body + 4));
            info.bitsPerSample = qFromLittleEndian<quint16>(raw + body + 14);
        } else if (id == "data") {
            for (qsizetype i = 0; i + 1 < size; i += 2)
                info.samples.push_back(qFromLittleEndian<qint16>(raw + body + i));
        }
        offset = body + size + (size & 1);
    }
    return info;
}

} // namespace

class TestAssets : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!assetDir().isEmpty(), "BRIMVEL_ASSET_DIR is not set");
        QVERIFY2(QDir(assetDir()).exists(), qPrintable("no such folder: " + assetDir()));
    }

    void pictureSizes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("hasDoubleScale");

        const auto add = [](const QString& name, int width, int height, bool hasDoubleScale = true) {
            QTest::newRow(qPrintable(name)) << name << width << height << hasDoubleScale;
        };
        add("skin_tab.png", 207, 302);
        add("skin_base.png", 207, 34);
        for (int n = 1; n <= 10; ++n) {
            add(QStringLiteral("button_%1.png").arg(n), 12, 13);
            add(QStringLiteral("link_%1.png").arg(n), 166, 21);
            add(QStringLiteral("linkhover_%1.png").arg(n), 166, 21);
        }
        add("update_1.png", 17, 18);
        add("update_2.png", 17, 18);
        for (int n = 1; n <= 4; ++n)
            add(QStringLiteral("light_%1.png").arg(n), 12, 13);
        for (int n = 1; n <= 18; ++n)
            add(QStringLiteral("mode_%1.png").arg(n), 16, 16);
        add("input_bg.png", 392, 89);
        add("hand.png", 32, 32);
        for (const int size : {16, 32, 48, 64, 128, 256})
            add(QStringLiteral("icon_%1.png").arg(size), size, size, false);
    }

    void pictureSizes() {
        QFETCH(QString, name);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, hasDoubleScale);

        const QImage single(assetPath(name));
        QVERIFY2(!single.isNull(), qPrintable("missing or unreadable: " + name));
        QCOMPARE(single.size(), QSize(width, height));
        if (hasDoubleScale) {
            const QImage doubled(assetPath(at2x(name)));
            QVERIFY2(!doubled.isNull(), qPrintable("missing or unreadable: " + at2x(name)));
            QCOMPARE(doubled.size(), QSize(2 * width, 2 * height));
        }
    }

    void skinOutline_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("scale");
        QTest::addColumn<bool>("isTab");

        QTest::newRow("tab 1x") << "skin_tab.png" << 1 << true;
        QTest::newRow("tab 2x") << "skin_tab@2x.png" << 2 << true;
        QTest::newRow("base 1x") << "skin_base.png" << 1 << false;
        QTest::newRow("base 2x") << "skin_base@2x.png" << 2 << false;
    }

    // Every pixel: green exactly where the window must be cut away, never green where it is solid.
    void skinOutline() {
        QFETCH(QString, name);
        QFETCH(int, scale);
        QFETCH(bool, isTab);
        const Outline& outline = isTab ? kTabOutline : kBaseOutline;

        const QImage skin = loadPicture(name);
        QVERIFY(!skin.isNull());
        QCOMPARE(skin.pixel(0, 0), kKeyGreen);
        QVERIFY2(!QImage(assetPath(name)).hasAlphaChannel(),
                 "skins are stored as 24-bit colour, without alpha");
        for (int y = 0; y < skin.height(); ++y) {
            for (int x = 0; x < skin.width(); ++x) {
                const bool opaque = expectedOpaque(outline, x / scale, y / scale);
                const QRgb pixel = skin.pixel(x, y);
                if (opaque && isKeyGreen(pixel))
                    QFAIL(qPrintable(
                        QStringLiteral("pixel (%1, %2) should be solid but is the transparent green")
                            .arg(x)
                            .arg(y)));
                if (!opaque && !isKeyGreen(pixel))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) should be transparent green but is #%3")
                                         .arg(x)
                                         .arg(y)
                                         .arg(pixel & 0xFFFFFF, 6, 16, QLatin1Char('0'))));
            }
        }
    }

    // The outline is cut on exact colour equality, so a slightly-off green next to the edge (anti-aliasing
    // bleeding the key colour into the panel) would show as a green fringe on screen.
    void skinEdgesHaveNoGreenFringe_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("tab 1x") << "skin_tab.png";
        QTest::newRow("tab 2x") << "skin_tab@2x.png";
        QTest::newRow("base 1x") << "skin_base.png";
        QTest::newRow("base 2x") << "skin_base@2x.png";
    }

    void skinEdgesHaveNoGreenFringe() {
        QFETCH(QString, name);
        const QImage skin = loadPicture(name);
        QVERIFY(!skin.isNull());
        for (int y = 0; y < skin.height(); ++y) {
            for (int x = 0; x < skin.width(); ++x) {
                const QRgb pixel = skin.pixel(x, y);
                if (isKeyGreen(pixel))
                    continue;
                const bool greenish = qGreen(pixel) > 200 && qRed(pixel) < 80 && qBlue(pixel) < 80;
                if (greenish)
                    QFAIL(qPrintable(QStringLiteral("greenish pixel #%1 at (%2, %3)")
                                         .arg(pixel & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                         .arg(x)
                                         .arg(y)));
            }
        }
    }

    // Pictures shown on top of the skin or of a link button carry that spot's background in their corners,
    // so they sit on the panel without a visible box around them.
    void overlaysMatchWhatLiesBeneath_data() {
        QTest::addColumn<QString>("overlay");
        QTest::addColumn<QString>("beneath");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QSize>("shownSize");

        QTest::newRow("stay-on-top") << "button_4.png"
                                     << "skin_tab.png" << QPoint(178, 2) << QSize(11, 12);
        QTest::newRow("update") << "update_2.png"
                                << "skin_tab.png" << QPoint(188, 2) << QSize(17, 18);
        QTest::newRow("sound") << "button_10.png"
                               << "skin_tab.png" << QPoint(193, 52) << QSize(11, 13);
        QTest::newRow("auto-retract") << "button_8.png"
                                      << "skin_tab.png" << QPoint(178, 53) << QSize(11, 12);
        QTest::newRow("hover-open") << "button_2.png"
                                    << "skin_tab.png" << QPoint(178, 65) << QSize(11, 12);
        QTest::newRow("exit") << "button_6.png"
                              << "skin_tab.png" << QPoint(193, 65) << QSize(11, 12);
        QTest::newRow("selector 1") << "mode_1.png"
                                    << "skin_tab.png" << QPoint(15, 82) << QSize(16, 16);
        QTest::newRow("selector 9") << "mode_18.png"
                                    << "skin_tab.png" << QPoint(159, 82) << QSize(16, 16);
        QTest::newRow("light off") << "light_1.png"
                                   << "link_1.png" << QPoint(153, 1) << QSize(11, 12);
        QTest::newRow("light on") << "light_2.png"
                                  << "link_5.png" << QPoint(153, 1) << QSize(11, 12);
        QTest::newRow("light off, highlighted") << "light_3.png"
                                                << "linkhover_1.png" << QPoint(153, 1) << QSize(11, 12);
        QTest::newRow("light on, highlighted") << "light_4.png"
                                               << "linkhover_10.png" << QPoint(153, 1) << QSize(11, 12);
    }

    void overlaysMatchWhatLiesBeneath() {
        QFETCH(QString, overlay);
        QFETCH(QString, beneath);
        QFETCH(QPoint, at);
        QFETCH(QSize, shownSize);

        const QImage top = loadPicture(overlay);
        const QImage under = loadPicture(beneath);
        QVERIFY(!top.isNull() && !under.isNull());
        const QPoint corners[] = {{0, 0},
                                  {shownSize.width() - 1, 0},
                                  {0, shownSize.height() - 1},
                                  {shownSize.width() - 1, shownSize.height() - 1}};
        for (const QPoint& corner : corners) {
            const int distance = channelDistance(top.pixel(corner), under.pixel(at + corner));
            QVERIFY2(distance <= 3,
                     qPrintable(QStringLiteral("corner (%1, %2) differs by %3 from what lies beneath")
                                    .arg(corner.x())
                                    .arg(corner.y())
                                    .arg(distance)));
        }
    }

    // Pictures that stand for different states or items must really differ from each other.
    void statesLookDifferent_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");

        for (int pair = 0; pair < 5; ++pair) {
            const int off = 2 * pair + 1;
            QTest::newRow(qPrintable(QStringLiteral("button %1/%2").arg(off).arg(off + 1)))
                << QStringLiteral("button_%1.png").arg(off) << QStringLiteral("button_%1.png").arg(off + 1);
        }
        QTest::newRow("update dark/lit") << "update_1.png"
                                         << "update_2.png";
        QTest::newRow("light 1/2") << "light_1.png"
                                   << "light_2.png";
        QTest::newRow("light 3/4") << "light_3.png"
                                   << "light_4.png";
        QTest::newRow("light 1/3") << "light_1.png"
                                   << "light_3.png";
        for (int page = 0; page < 9; ++page) {
            QTest::newRow(qPrintable(QStringLiteral("selector %1 raised/sunken").arg(page)))
                << QStringLiteral("mode_%1.png").arg(2 * page + 1)
                << QStringLiteral("mode_%1.png").arg(2 * page + 2);
            if (page > 0)
                QTest::newRow(qPrintable(QStringLiteral("selector %1/%2").arg(page - 1).arg(page)))
                    << QStringLiteral("mode_%1.png").arg(2 * page - 1)
                    << QStringLiteral("mode_%1.png").arg(2 * page + 1);
        }
        for (int i = 1; i <= 10; ++i) {
            QTest::newRow(qPrintable(QStringLiteral("link %1 normal/highlighted").arg(i)))
                << QStringLiteral("link_%1.png").arg(i) << QStringLiteral("linkhover_%1.png").arg(i);
            if (i > 1)
                QTest::newRow(qPrintable(QStringLiteral("link %1/%2 digits").arg(i - 1).arg(i)))
                    << QStringLiteral("link_%1.png").arg(i - 1) << QStringLiteral("link_%1.png").arg(i);
        }
    }

    void statesLookDifferent() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        for (const bool doubled : {false, true}) {
            const QImage a = loadPicture(doubled ? at2x(first) : first);
            const QImage b = loadPicture(doubled ? at2x(second) : second);
            QVERIFY(!a.isNull() && !b.isNull());
            QVERIFY2(a != b, qPrintable(first + " and " + second + " are identical"));
        }
    }

    // Captions are drawn on the buttons at run time in #203961 (normal) and #D0D1D4 (highlighted); the
    // caption strip must contrast with both.
    void captionAreaContrast_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRgb>("caption");
        for (const char* suffix : {"", "@2x"}) {
            QTest::newRow(qPrintable(QStringLiteral("normal%1").arg(suffix)))
                << QStringLiteral("link_1%1.png").arg(suffix) << qRgb(0x20, 0x39, 0x61);
            QTest::newRow(qPrintable(QStringLiteral("highlighted%1").arg(suffix)))
                << QStringLiteral("linkhover_1%1.png").arg(suffix) << qRgb(0xD0, 0xD1, 0xD4);
        }
    }

    void captionAreaContrast() {
        QFETCH(QString, name);
        QFETCH(QRgb, caption);
        const QImage button = loadPicture(name);
        QVERIFY(!button.isNull());
        const int scale = button.width() / 166;
        const auto luminance = [](QRgb c) {
            return 0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c);
        };
        for (int y = 4 * scale; y < 17 * scale; ++y) {
            for (int x = 17 * scale; x < 153 * scale; ++x) {
                const double difference = std::abs(luminance(button.pixel(x, y)) - luminance(caption));
                if (difference < 90)
                    QFAIL(
                        qPrintable(QStringLiteral("background at (%1, %2) is too close to the caption colour")
                                       .arg(x)
                                       .arg(y)));
            }
        }
    }

    void handCursor_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("scale");
        QTest::newRow("1x") << "hand.png" << 1;
        QTest::newRow("2x") << "hand@2x.png" << 2;
    }

    // The hot spot (5, 0) is the fingertip: solid there, see-through around the hand.
    void handCursor() {
        QFETCH(QString, name);
        QFETCH(int, scale);
        const QImage hand = loadPicture(name);
        QVERIFY(!hand.isNull());
        QVERIFY(hand.hasAlphaChannel());
        QVERIFY2(qAlpha(hand.pixel(5 * scale, 0)) > 128 ||
                     qAlpha(hand.pixel(5 * scale + scale - 1, scale - 1)) > 128,
                 "the hot spot is not on the hand");
        QCOMPARE(qAlpha(hand.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(hand.pixel(hand.width() - 1, 0)), 0);
        QCOMPARE(qAlpha(hand.pixel(hand.width() - 1, hand.height() - 1)), 0);
        for (int x = 0; x < hand.width(); ++x) // nothing pokes above the fingertip's column band
            if (x < 2 * scale || x > 9 * scale)
                QCOMPARE(qAlpha(hand.pixel(x, 0)), 0);
    }

    void sounds_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        QTest::newRow("click") << "button.wav" << 20 << 150;
        QTest::newRow("grow/shrink") << "scroll.wav" << 300 << 450;
        QTest::newRow("slide") << "min.wav" << 200 << 350;
    }

    void sounds() {
        QFETCH(QString, name);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);

        const WaveInfo wave = readWave(assetPath(name));
        QVERIFY2(wave.riffWave, qPrintable(name + " is not a RIFF/WAVE file"));
        QCOMPARE(wave.format, 1);
        QCOMPARE(wave.channels, 1);
        QCOMPARE(wave.sampleRate, 44100);
        QCOMPARE(wave.bitsPerSample, 16);
        QVERIFY(!wave.samples.empty());

        const double ms = 1000.0 * static_cast<double>(wave.samples.size()) / wave.sampleRate;
        QVERIFY2(ms >= minMs && ms <= maxMs, qPrintable(QStringLiteral("%1 lasts %2 ms").arg(name).arg(ms)));

        int peak = 0;
        for (const qint16 s : wave.samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        // No louder than about -3 dBFS, and clearly audible (above -20 dBFS).
        QVERIFY2(peak <= 23500, qPrintable(QStringLiteral("peak %1 is too close to full scale").arg(peak)));
        QVERIFY2(peak >= 3300, qPrintable(QStringLiteral("peak %1 is too quiet").arg(peak)));

        // Faded in and out: the ends sit at silence, so playback starts and stops without a click.
        QVERIFY(std::abs(wave.samples.front()) <= 64);
        QVERIFY(std::abs(wave.samples.back()) <= 64);
    }
};

QTEST_GUILESS_MAIN(TestAssets)
#include "test_assets.moc"
