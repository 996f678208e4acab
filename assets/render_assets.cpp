// SPDX-License-Identifier: MIT
// Draws every picture of Brimvel from code, at 1x and at 2x.
//
// Usage: render_assets <output folder>
//
// Each picture is painted in logical (1x) pixel coordinates onto a canvas whose device pixel ratio is the
// scale, so the 2x files are drawn at full resolution rather than enlarged. The small pictures that sit on
// top of the skins (round buttons, page selectors, lights) take their backgrounds from the finished skin or
// link button at the exact spot where the program places them, so their corners blend in seamlessly.
//
// Needs only QtGui; run it with QT_QPA_PLATFORM=offscreen (or -platform offscreen) where there is no display.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------------------
// Colours of the blue theme.

const QColor kKeyGreen(0x00, 0xFF, 0x00); // transparent colour of the skins
const QColor kHeadFrame(0x0C, 0x1D, 0x3D);
const QColor kHeadTop(0x46, 0x79, 0xC2);
const QColor kHeadMid(0x2B, 0x59, 0x9E);
const QColor kHeadBottom(0x1A, 0x3A, 0x72);
const QColor kGripBase(0x17, 0x32, 0x62);
const QColor kGripLight(0x5E, 0x8D, 0xD3);
const QColor kGripDark(0x0A, 0x19, 0x36);
const QColor kColumnTop(0x1C, 0x39, 0x6B);
const QColor kColumnBottom(0x10, 0x25, 0x4B);
const QColor kHeadText(0xE6, 0xF0, 0xFF);
const QColor kAddressText(0xA9, 0xC8, 0xF2);
const QColor kPanelFrame(0x1C, 0x3A, 0x6E);
const QColor kBandTop(0xD8, 0xE3, 0xF3);
const QColor kBandBottom(0xB6, 0xC9, 0xE6);
const QColor kLinkTop(0xF8, 0xFA, 0xFE);
const QColor kLinkBottom(0xDA, 0xE4, 0xF3);
const QColor kLinkSeparator(0xA3, 0xB6, 0xD4);
const QColor kDigitCellTop(0xD2, 0xDE, 0xF1);
const QColor kDigitCellBottom(0xBB, 0xCC, 0xE8);
const QColor kDigitInk(0x2B, 0x5A, 0xA0);
const QColor kHoverTop(0x36, 0x67, 0xAB);
const QColor kHoverBottom(0x1B, 0x3B, 0x71);
const QColor kHoverSeparator(0x10, 0x26, 0x50);
const QColor kHoverCellTop(0x1F, 0x42, 0x7E);
const QColor kHoverCellBottom(0x13, 0x2C, 0x58);
const QColor kAmber(0xFF, 0xB4, 0x3A);
const QColor kAmberLight(0xFF, 0xF1, 0xC4);
const QColor kAmberDeep(0xD9, 0x78, 0x0E);
const QColor kCaptionBlue(0x20, 0x39, 0x61);
const QColor kFieldBorder(0x9F, 0xB4, 0xD3);

const QString kFontFamily = QStringLiteral("Liberation Sans");
const QString kWebAddress = QStringLiteral("brimvel.example");

// ---------------------------------------------------------------------------------------------------------
// Outlines of the two skins: per band of rows, the first and last opaque column (none when first > last).
// The program cuts its windows to exactly these pixels, so they must not drift.

struct OpaqueRows {
    int firstRow;
    int lastRow;
    int firstCol;
    int lastCol;
};

const std::vector<OpaqueRows> kTabOutline = {
    {1, 1, 2, 204}, {2, 77, 1, 205}, {78, 78, 2, 204}, {80, 299, 12, 177}, {300, 300, 13, 176},
};

const std::vector<OpaqueRows> kBaseOutline = {
    {2, 29, 12, 177},
    {30, 30, 13, 176},
};

bool isOpaque(const std::vector<OpaqueRows>& outline, int x, int y) {
    return std::any_of(outline.begin(), outline.end(), [x, y](const OpaqueRows& band) {
        return y >= band.firstRow && y <= band.lastRow && x >= band.firstCol && x <= band.lastCol;
    });
}

bool isOutlineEdge(const std::vector<OpaqueRows>& outline, int x, int y) {
    return isOpaque(outline, x, y) && (!isOpaque(outline, x - 1, y) || !isOpaque(outline, x + 1, y) ||
                                       !isOpaque(outline, x, y - 1) || !isOpaque(outline, x, y + 1));
}

// ---------------------------------------------------------------------------------------------------------
// Canvas, fonts and saving.

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "render_assets: %s\n", qPrintable(message));
    std::exit(1);
}

QImage makeCanvas(int width, int height, int scale, const QColor& fill = Qt::transparent) {
    QImage image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(fill);
    return image;
}

int scaleOf(const QImage& image) {
    return qRound(image.devicePixelRatio());
}

// A piece of a finished picture, in logical pixels, keeping its scale.
QImage crop(const QImage& source, int x, int y, int width, int height) {
    const int s = scaleOf(source);
    QImage piece = source.copy(x * s, y * s, width * s, height * s);
    piece.setDevicePixelRatio(s);
    return piece;
}

void requireFont() {
    if (!QFontDatabase::families().contains(kFontFamily))
        fail(kFontFamily + " is not installed (Debian package fonts-liberation2)");
    const QFontInfo info{QFont(kFontFamily)};
    if (info.family() != kFontFamily)
        fail("asked for " + kFontFamily + " but the font system gave " + info.family());
}

QFont uiFont(qreal pixelSize, bool bold) {
    QFont font(kFontFamily);
    font.setPixelSize(qRound(pixelSize));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

class AssetWriter {
public:
    explicit AssetWriter(QString folder) : m_folder(std::move(folder)) {}

    // Opaque pictures are stored as 24-bit RGB, pictures with see-through parts as RGBA.
    void save(const QImage& image, const QString& baseName, bool opaque) const {
        const int s = scaleOf(image);
        const QString name = baseName + (s == 2 ? QStringLiteral("@2x") : QString()) + QStringLiteral(".png");
        const QImage stored = opaque ? image.convertToFormat(QImage::Format_RGB888)
                                     : image.convertToFormat(QImage::Format_ARGB32);
        if (!stored.save(QDir(m_folder).filePath(name), "PNG"))
            fail("could not write " + QDir(m_folder).filePath(name));
    }

private:
    QString m_folder;
};

// ---------------------------------------------------------------------------------------------------------
// Shared motifs.

QLinearGradient vertical(qreal top, qreal bottom, const QColor& from, const QColor& to) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

void fillPixelRow(QPainter& p, qreal x, qreal y, qreal width, const QColor& colour) {
    p.fillRect(QRectF(x, y, width, 1), colour);
}

void fillPixelColumn(QPainter& p, qreal x, qreal y, qreal height, const QColor& colour) {
    p.fillRect(QRectF(x, y, 1, height), colour);
}

// Text with a one-pixel drop shadow, for light text on the blue panels.
void drawEngravedText(QPainter& p, const QRectF& box, int flags, const QString& text, const QFont& font,
                      const QColor& ink, const QColor& shadow) {
    p.setFont(font);
    p.setPen(shadow);
    p.drawText(box.translated(0, 1), flags, text);
    p.setPen(ink);
    p.drawText(box, flags, text);
}

// The product mark: a blue disc carrying three link rows, the top one with a lit amber light.
void drawEmblem(QPainter& p, const QRectF& area) {
    const qreal size = std::min(area.width(), area.height());
    const QRectF disc(area.center().x() - size / 2, area.center().y() - size / 2, size, size);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    QRadialGradient body(disc.left() + size * 0.35, disc.top() + size * 0.3, size * 0.8);
    body.setColorAt(0, QColor(0xA6, 0xCD, 0xFF));
    body.setColorAt(0.45, QColor(0x3F, 0x7C, 0xD3));
    body.setColorAt(1, QColor(0x16, 0x36, 0x6E));
    p.setPen(QPen(kHeadFrame, 1));
    p.setBrush(body);
    p.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));

    // Three rows, snapped to whole pixels so they stay crisp at 1x.
    const qreal unit = size / 20.0;
    const qreal barHeight = std::max<qreal>(2, std::round(2.4 * unit));
    const qreal left = std::round(disc.left() + 5 * unit);
    const qreal step = std::round(4.2 * unit);
    const qreal firstTop = std::round(disc.center().y() - barHeight / 2 - step);
    const qreal lengths[3] = {7.5 * unit, 10 * unit, 8 * unit};
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
        const QRectF bar(left, firstTop + row * step, std::round(lengths[row]), barHeight);
        p.setBrush(row == 0 ? QColor(Qt::white) : QColor(0xD6, 0xE6, 0xFF));
        p.drawRoundedRect(bar, barHeight / 2, barHeight / 2);
    }
    const qreal lightSize = barHeight + std::round(unit);
    const QRectF light(left + std::round(lengths[0]) + std::round(1.5 * unit),
                       firstTop + barHeight / 2 - lightSize / 2, lightSize, lightSize);
    QRadialGradient glow(light.center(), lightSize * 0.7);
    glow.setColorAt(0, kAmberLight);
    glow.setColorAt(0.6, kAmber);
    glow.setColorAt(1, kAmberDeep);
    p.setBrush(glow);
    p.drawEllipse(light);
    p.restore();
}

// ---------------------------------------------------------------------------------------------------------
// Tab skin.

void paintHeadPanel(QPainter& p) {
    const QRectF head(1, 1, 205, 78);
    p.fillRect(head, [] {
        QLinearGradient g(0, 1, 0, 79);
        g.setColorAt(0, kHeadTop);
        g.setColorAt(0.55, kHeadMid);
        g.setColorAt(1, kHeadBottom);
        return g;
    }());
    // Soft gloss over the upper half of the face.
    p.fillRect(QRectF(13, 1, 162, 40), vertical(1, 41, QColor(255, 255, 255, 46), QColor(255, 255, 255, 0)));

    // Grip strip: the part that stays on screen while the tab is in. Knurled dots and a chevron that
    // says "pull me out".
    p.fillRect(QRectF(1, 1, 11, 78), vertical(1, 79, QColor(0x1E, 0x3F, 0x79), kGripBase));
    for (int y = 5; y <= 73; y += 3) {
        if (y > 30 && y < 48)
            continue;
        for (int x = 3; x <= 8; x += 3) {
            p.fillRect(QRectF(x, y, 1, 1), kGripLight);
            p.fillRect(QRectF(x + 1, y + 1, 1, 1), kGripDark);
        }
    }
    {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath chevron;
        chevron.moveTo(6.5, 33.5);
        chevron.lineTo(2.5, 39);
        chevron.lineTo(6.5, 44.5);
        p.setPen(QPen(kAmber, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(chevron);
        p.restore();
    }
    fillPixelColumn(p, 11, 1, 78, kGripDark);
    fillPixelColumn(p, 12, 2, 76, QColor(0x6E, 0x9B, 0xDD, 150));

    // Menu strip with the three shortcut texts.
    p.fillRect(QRectF(13, 2, 162, 18), QColor(0x0C, 0x1D, 0x3D, 70));
    fillPixelRow(p, 13, 20, 162, QColor(0x9C, 0xC2, 0xF2, 90));
    const QFont menuFont = uiFont(11, true);
    const QColor shadow(0x0A, 0x18, 0x33, 170);
    drawEngravedText(p, QRectF(17, 4, 55, 14), Qt::AlignCenter, QStringLiteral("Links"), menuFont, kHeadText,
                     shadow);
    drawEngravedText(p, QRectF(89, 4, 42, 14), Qt::AlignCenter, QStringLiteral("Search"), menuFont, kHeadText,
                     shadow);
    drawEngravedText(p, QRectF(143, 4, 32, 14), Qt::AlignCenter, QStringLiteral("Help"), menuFont, kHeadText,
                     shadow);
    for (const qreal x : {80.0, 137.0}) {
        p.fillRect(QRectF(x, 10, 2, 2), QColor(0x9C, 0xC2, 0xF2, 160));
    }

    // Logo: the mark and the name inside the logo spot (32, 24, 135, 29).
    drawEmblem(p, QRectF(33, 25, 27, 27));
    {
        const QRectF nameBox(64, 24, 103, 29);
        QFont logoFont = uiFont(25, true);
        while (QFontMetricsF(logoFont).horizontalAdvance(QStringLiteral("Brimvel")) > nameBox.width() - 2)
            logoFont.setPixelSize(logoFont.pixelSize() - 1);
        drawEngravedText(p, nameBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Brimvel"), logoFont,
                         Qt::white, QColor(0x0A, 0x18, 0x33, 190));
    }

    // Web address spot (42, 59, 105, 14).
    drawEngravedText(p, QRectF(42, 59, 105, 14), Qt::AlignCenter, kWebAddress, uiFont(11, false),
                     kAddressText, QColor(0x0A, 0x18, 0x33, 140));

    // Right column: the darker drag grip that carries the small round buttons.
    p.fillRect(QRectF(176, 1, 30, 78), vertical(1, 79, kColumnTop, kColumnBottom));
    fillPixelColumn(p, 175, 1, 78, kGripDark);
    fillPixelColumn(p, 176, 2, 76, QColor(0x6E, 0x9B, 0xDD, 110));
    for (int y = 25; y <= 46; y += 3) {
        fillPixelRow(p, 182, y, 18, kGripDark);
        fillPixelRow(p, 182, y + 1, 18, QColor(0x5E, 0x8D, 0xD3, 140));
    }
    // A faint top highlight along the whole head.
    fillPixelRow(p, 2, 2, 203, QColor(255, 255, 255, 40));
}

void paintLinkPanelBackground(QPainter& p) {
    p.fillRect(QRectF(12, 80, 166, 221), vertical(80, 301, kLinkTop, kLinkBottom));
    // Band of the page selectors.
    p.fillRect(QRectF(12, 80, 166, 19), vertical(80, 99, kBandTop, kBandBottom));
    fillPixelRow(p, 13, 81, 164, QColor(255, 255, 255, 150));
    fillPixelRow(p, 12, 99, 166, kLinkSeparator);
}

// Colours every outline-edge pixel with the frame colour of its part and paints all pixels outside the
// outline in the transparent green, hard-edged: no pixel is ever blended with the green.
QImage applyOutline(const QImage& painted, const std::vector<OpaqueRows>& outline,
                    const std::function<QColor(int, int)>& frameColourAt) {
    const int s = scaleOf(painted);
    QImage result = painted.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const int lx = x / s;
            const int ly = y / s;
            if (!isOpaque(outline, lx, ly)) {
                row[x] = kKeyGreen.rgb();
                continue;
            }
            if (isOutlineEdge(outline, lx, ly))
                row[x] = frameColourAt(lx, ly).rgb();
            if (qRed(row[x]) == 0 && qGreen(row[x]) == 255 && qBlue(row[x]) == 0)
                row[x] = qRgb(0, 254, 0); // never let an opaque pixel read as a hole
        }
    }
    result.setDevicePixelRatio(s);
    return result;
}

// ---------------------------------------------------------------------------------------------------------
// Link buttons and their lights.

void paintLinkButton(QPainter& p, int index, bool highlighted) {
    const QColor separator = highlighted ? kHoverSeparator : kLinkSeparator;
    p.fillRect(QRectF(0, 0, 166, 21), highlighted ? vertical(1, 20, kHoverTop, kHoverBottom)
                                                  : vertical(1, 20, kLinkTop, kLinkBottom));
    if (highlighted)
        fillPixelRow(p, 1, 1, 164, QColor(0x7F, 0xA9, 0xE6, 120));
    else
        fillPixelRow(p, 1, 1, 164, QColor(255, 255, 255, 200));

    // Key digit cell at the left.
    p.fillRect(QRectF(1, 1, 14, 19), highlighted ? vertical(1, 20, kHoverCellTop, kHoverCellBottom)
                                                 : vertical(1, 20, kDigitCellTop, kDigitCellBottom));
    fillPixelColumn(p, 15, 1, 19, separator);
    const QString digit = QString::number((index + 1) % 10);
    p.setFont(uiFont(12, true));
    if (!highlighted) {
        p.setPen(QColor(255, 255, 255, 180));
        p.drawText(QRectF(1, 2, 14, 19), Qt::AlignCenter, digit);
    }
    p.setPen(highlighted ? kAmber : kDigitInk);
    p.drawText(QRectF(1, 1, 14, 19), Qt::AlignCenter, digit);

    fillPixelRow(p, 0, 0, 166, separator);
    fillPixelRow(p, 0, 20, 166, separator);
    fillPixelColumn(p, 0, 0, 21, kPanelFrame);
    fillPixelColumn(p, 165, 0, 21, kPanelFrame);
}

QImage renderLinkButton(int index, bool highlighted, int scale) {
    QImage image = makeCanvas(166, 21, scale);
    QPainter p(&image);
    paintLinkButton(p, index, highlighted);
    return image;
}

// The light sits at (153, 1) on its button; its 12 x 13 picture is shown clipped to 11 x 12.
constexpr int kLightLeft = 153;
constexpr int kLightTop = 1;

void paintBulb(QPainter& p, bool lit) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(5.5, 6);
    if (lit) {
        QRadialGradient halo(centre, 5.5);
        halo.setColorAt(0, QColor(0xFF, 0xC8, 0x50, 150));
        halo.setColorAt(1, QColor(0xFF, 0xC8, 0x50, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(centre, 5.5, 5.5);
        QRadialGradient bulb(centre - QPointF(1, 1), 4);
        bulb.setColorAt(0, kAmberLight);
        bulb.setColorAt(0.55, kAmber);
        bulb.setColorAt(1, kAmberDeep);
        p.setPen(QPen(QColor(0x8A, 0x4A, 0x00), 0.8));
        p.setBrush(bulb);
    } else {
        QRadialGradient bulb(centre - QPointF(1, 1), 4);
        bulb.setColorAt(0, QColor(0xB9, 0xC4, 0xD6));
        bulb.setColorAt(0.6, QColor(0x6D, 0x7D, 0x98));
        bulb.setColorAt(1, QColor(0x45, 0x53, 0x6C));
        p.setPen(QPen(QColor(0x2A, 0x36, 0x4C), 0.8));
        p.setBrush(bulb);
    }
    p.drawEllipse(centre, 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, lit ? 230 : 150));
    p.drawEllipse(QPointF(4.6, 5.0), 1.0, 1.0);
    p.restore();
}

// ---------------------------------------------------------------------------------------------------------
// Small round switch buttons of the right column.

enum class Glyph { HoverOpen, StayOnTop, Exit, AutoRetract, Sound, SoundOff, Update };

// Glyphs are laid out on the pixel grid around c, whose x sits in the middle of a pixel column and whose y
// sits in the middle of a pixel row, so straight strokes of whole-pixel width stay crisp at 1x.
void paintGlyph(QPainter& p, Glyph glyph, const QPointF& c, const QColor& ink) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const auto box = [&](qreal dx, qreal dy, qreal w, qreal h) {
        p.fillRect(QRectF(c.x() + dx, c.y() + dy, w, h), ink);
    };
    switch (glyph) {
    case Glyph::HoverOpen: {
        // An arrow pointing out of the screen edge: the tab slides out under the pointer.
        QPainterPath head;
        head.moveTo(c.x() - 3.5, c.y());
        head.lineTo(c.x() + 0.5, c.y() - 4.0);
        head.lineTo(c.x() + 0.5, c.y() + 4.0);
        head.closeSubpath();
        p.drawPath(head);
        box(0.5, -0.5, 3, 1);
        break;
    }
    case Glyph::StayOnTop:
        // A push pin seen from the side: cap, collar and needle.
        box(-1.5, -4.5, 3, 3);
        box(-2.5, -1.5, 5, 1);
        box(-0.5, -0.5, 1, 4);
        break;
    case Glyph::Exit: {
        QPen pen(ink, 1.2, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(c.x() - 2, c.y() - 2), QPointF(c.x() + 2, c.y() + 2));
        p.drawLine(QPointF(c.x() + 2, c.y() - 2), QPointF(c.x() - 2, c.y() + 2));
        break;
    }
    case Glyph::AutoRetract:
        // A clock: the tab goes back in by itself after a while.
        p.setPen(QPen(ink, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 3.5, 3.5);
        p.setPen(Qt::NoPen);
        box(-0.5, -2.5, 1, 3);
        box(0.5, -0.5, 2, 1);
        break;
    case Glyph::Sound:
    case Glyph::SoundOff: {
        box(-3.5, -1.5, 2, 3);
        QPainterPath cone;
        cone.moveTo(c.x() - 1.5, c.y() - 1.5);
        cone.lineTo(c.x() + 0.5, c.y() - 3.5);
        cone.lineTo(c.x() + 0.5, c.y() + 3.5);
        cone.lineTo(c.x() - 1.5, c.y() + 1.5);
        cone.closeSubpath();
        p.drawPath(cone);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap));
        if (glyph == Glyph::Sound) {
            p.drawArc(QRectF(c.x() - 1.0, c.y() - 2.0, 4.0, 4.0), -55 * 16, 110 * 16);
            p.drawArc(QRectF(c.x() - 2.0, c.y() - 4.0, 7.0, 8.0), -50 * 16, 100 * 16);
        } else {
            p.drawLine(QPointF(c.x() + 2.0, c.y() - 1.5), QPointF(c.x() + 4.0, c.y() + 1.5));
            p.drawLine(QPointF(c.x() + 4.0, c.y() - 1.5), QPointF(c.x() + 2.0, c.y() + 1.5));
        }
        break;
    }
    case Glyph::Update: {
        // A download arrow into a tray.
        box(-1.5, -5.5, 3, 5);
        QPainterPath head;
        head.moveTo(c.x() - 4.0, c.y() - 0.5);
        head.lineTo(c.x() + 4.0, c.y() - 0.5);
        head.lineTo(c.x(), c.y() + 3.5);
        head.closeSubpath();
        p.drawPath(head);
        box(-4.5, 2.5, 1, 2);
        box(3.5, 2.5, 1, 2);
        box(-4.5, 4.5, 9, 1);
        break;
    }
    }
    p.restore();
}

enum class Face { Dark, Lit, Amber };

void paintRoundFace(QPainter& p, const QPointF& centre, qreal radius, Face face) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient body(centre - QPointF(radius * 0.35, radius * 0.45), radius * 1.4);
    QColor rim;
    switch (face) {
    case Face::Dark:
        body.setColorAt(0, QColor(0x4A, 0x5A, 0x76));
        body.setColorAt(0.6, QColor(0x22, 0x2E, 0x46));
        body.setColorAt(1, QColor(0x12, 0x1A, 0x2C));
        rim = QColor(0x05, 0x0B, 0x18);
        break;
    case Face::Lit:
        body.setColorAt(0, QColor(0x8C, 0xC2, 0xFF));
        body.setColorAt(0.5, QColor(0x35, 0x7E, 0xE2));
        body.setColorAt(1, QColor(0x17, 0x49, 0x9C));
        rim = QColor(0x07, 0x1D, 0x45);
        break;
    case Face::Amber:
        body.setColorAt(0, kAmberLight);
        body.setColorAt(0.5, kAmber);
        body.setColorAt(1, kAmberDeep);
        rim = QColor(0x5A, 0x30, 0x00);
        break;
    }
    p.setPen(QPen(rim, 0.9));
    p.setBrush(body);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

QImage renderRoundButton(const QImage& backdrop, const QPoint& at, Glyph glyph, Face face, bool pressed) {
    QImage image = crop(backdrop, at.x(), at.y(), 12, 13);
    QPainter p(&image);
    paintRoundFace(p, QPointF(5.5, 6), 4.9, face);
    const QPointF glyphCentre = QPointF(5.5, 6.5) + (pressed ? QPointF(0, 0.5) : QPointF(0, 0));
    const QColor ink = face == Face::Lit ? QColor(Qt::white) : QColor(0xA4, 0xB4, 0xCE);
    if (face == Face::Lit) // a shadow keeps the white glyph legible on the bright part of the face
        paintGlyph(p, glyph, glyphCentre + QPointF(0, 1), QColor(0x0B, 0x2C, 0x66, 140));
    paintGlyph(p, glyph, glyphCentre, ink);
    return image;
}

// ---------------------------------------------------------------------------------------------------------
// Page selectors.

constexpr int kSelectorTop = 82;

int selectorLeft(int page) {
    return 15 + 18 * page;
}

QImage renderPageSelector(const QImage& backdrop, int page, bool pressed) {
    QImage image = crop(backdrop, selectorLeft(page), kSelectorTop, 16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face(0.5, 0.5, 15, 15);
    if (pressed) {
        p.setPen(QPen(QColor(0x0C, 0x1D, 0x3D), 1));
        p.setBrush(vertical(0, 16, QColor(0x16, 0x33, 0x66), QColor(0x2B, 0x5A, 0x9E)));
        p.drawRoundedRect(face, 3, 3);
        p.setRenderHint(QPainter::Antialiasing, false);
        fillPixelRow(p, 2, 1, 12, QColor(0x05, 0x10, 0x26, 150)); // inner shadow: the face sits below
    } else {
        p.setPen(QPen(QColor(0x17, 0x37, 0x6C), 1));
        p.setBrush(vertical(0, 16, QColor(0x6A, 0x9D, 0xE4), QColor(0x2A, 0x5B, 0xA4)));
        p.drawRoundedRect(face, 3, 3);
        p.setRenderHint(QPainter::Antialiasing, false);
        fillPixelRow(p, 3, 1, 10, QColor(255, 255, 255, 120)); // bevel: the face stands up
    }
    const QString number = QString::number(page + 1);
    const QRectF box = QRectF(0, 0, 16, 16).translated(pressed ? QPointF(0.5, 1) : QPointF(0, 0));
    drawEngravedText(p, box, Qt::AlignCenter, number, uiFont(11, true),
                     pressed ? QColor(0xC9, 0xDB, 0xF6) : QColor(Qt::white), QColor(0x0A, 0x18, 0x33, 170));
    return image;
}

// ---------------------------------------------------------------------------------------------------------
// Whole pictures.

struct SwitchButton {
    int imageNumber; // index in the button image list
    QPoint at;       // where the program shows it on the tab
    Glyph glyph;
    Face face;
    bool pressed;
};

const std::vector<SwitchButton> kSwitchButtons = {
    {1, {178, 65}, Glyph::HoverOpen, Face::Dark, false},
    {2, {178, 65}, Glyph::HoverOpen, Face::Lit, false},
    {3, {178, 2}, Glyph::StayOnTop, Face::Dark, false},
    {4, {178, 2}, Glyph::StayOnTop, Face::Lit, false},
    {5, {193, 65}, Glyph::Exit, Face::Dark, true},
    {6, {193, 65}, Glyph::Exit, Face::Lit, false},
    {7, {178, 53}, Glyph::AutoRetract, Face::Dark, false},
    {8, {178, 53}, Glyph::AutoRetract, Face::Lit, false},
    {9, {193, 52}, Glyph::SoundOff, Face::Dark, false},
    {10, {193, 52}, Glyph::Sound, Face::Lit, false},
};

const QPoint kUpdateButtonAt(188, 2);

QColor tabFrameColourAt(int, int y) {
    return y < 79 ? kHeadFrame : kPanelFrame;
}

void renderTabSet(const AssetWriter& out, int scale) {
    // 1. Everything under the picture boxes.
    QImage painted = makeCanvas(207, 302, scale, kHeadFrame);
    {
        QPainter p(&painted);
        paintHeadPanel(p);
        paintLinkPanelBackground(p);
    }
    const QImage backdrop = applyOutline(painted, kTabOutline, tabFrameColourAt);

    // 2. Pictures that lie on the skin, with their backgrounds taken from it.
    for (const SwitchButton& b : kSwitchButtons) {
        out.save(renderRoundButton(backdrop, b.at, b.glyph, b.face, b.pressed),
                 QStringLiteral("button_%1").arg(b.imageNumber), true);
    }
    for (int lit = 0; lit < 2; ++lit) {
        QImage image = crop(backdrop, kUpdateButtonAt.x(), kUpdateButtonAt.y(), 17, 18);
        QPainter p(&image);
        paintRoundFace(p, QPointF(8.5, 9), 7.6, lit ? Face::Amber : Face::Dark);
        paintGlyph(p, Glyph::Update, QPointF(8.5, 8.5),
                   lit ? QColor(0x4A, 0x22, 0x00) : QColor(0xA4, 0xB4, 0xCE));
        p.end();
        out.save(image, QStringLiteral("update_%1").arg(lit + 1), true);
    }
    std::vector<QImage> raisedSelectors;
    for (int page = 0; page < 9; ++page) {
        raisedSelectors.push_back(renderPageSelector(backdrop, page, false));
        out.save(raisedSelectors.back(), QStringLiteral("mode_%1").arg(2 * page + 1), true);
        out.save(renderPageSelector(backdrop, page, true), QStringLiteral("mode_%1").arg(2 * page + 2), true);
    }

    // 3. Link buttons and lights.
    std::vector<QImage> normalButtons;
    QImage restingLight;
    for (int i = 0; i < 10; ++i) {
        normalButtons.push_back(renderLinkButton(i, false, scale));
        const QImage highlighted = renderLinkButton(i, true, scale);
        out.save(normalButtons.back(), QStringLiteral("link_%1").arg(i + 1), true);
        out.save(highlighted, QStringLiteral("linkhover_%1").arg(i + 1), true);
        if (i == 0) {
            const struct {
                int number;
                const QImage* button;
                bool lit;
            } lights[] = {{1, &normalButtons.back(), false},
                          {2, &normalButtons.back(), true},
                          {3, &highlighted, false},
                          {4, &highlighted, true}};
            for (const auto& light : lights) {
                QImage image = crop(*light.button, kLightLeft, kLightTop, 12, 13);
                QPainter p(&image);
                paintBulb(p, light.lit);
                p.end();
                if (light.number == 1)
                    restingLight = image;
                out.save(image, QStringLiteral("light_%1").arg(light.number), true);
            }
        }
    }

    // 4. The finished skin shows the panel as it looks at rest, so nothing jumps when the pictures appear.
    QImage skin = painted;
    {
        QPainter p(&skin);
        for (int page = 0; page < 9; ++page)
            p.drawImage(QPointF(selectorLeft(page), kSelectorTop), raisedSelectors[page]);
        for (int i = 0; i < 10; ++i) {
            p.drawImage(QPointF(12, 100 + 20 * i), normalButtons[i]);
            p.drawImage(QPointF(12 + kLightLeft, 100 + 20 * i + kLightTop),
                        restingLight.copy(0, 0, 11 * scale, 12 * scale));
        }
    }
    out.save(applyOutline(skin, kTabOutline, tabFrameColourAt), QStringLiteral("skin_tab"), true);
}

void renderBaseSkin(const AssetWriter& out, int scale) {
    QImage painted = makeCanvas(207, 34, scale, kHeadFrame);
    {
        QPainter p(&painted);
        p.setRenderHint(QPainter::Antialiasing);
        // The cap hangs below the link panel: its top runs straight on, its bottom corners round off.
        QPainterPath cap;
        cap.addRoundedRect(QRectF(13, -10, 164, 40), 8, 8);
        p.setPen(Qt::NoPen);
        QLinearGradient g(0, 2, 0, 30);
        g.setColorAt(0, kHeadTop);
        g.setColorAt(0.5, kHeadMid);
        g.setColorAt(1, kHeadBottom);
        p.setBrush(g);
        p.drawPath(cap);
        p.setClipPath(cap);
        p.fillRect(QRectF(13, 2, 164, 13),
                   vertical(2, 15, QColor(255, 255, 255, 50), QColor(255, 255, 255, 0)));
        p.setClipping(false);
        p.setPen(QPen(QColor(0x0C, 0x1D, 0x3D, 200), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(13.5, -10, 163, 39.5), 7.5, 7.5);
        p.setRenderHint(QPainter::Antialiasing, false);
        fillPixelRow(p, 13, 2, 164, QColor(0x0C, 0x1D, 0x3D));
        fillPixelRow(p, 13, 3, 164, QColor(0x8F, 0xB7, 0xEE, 120));
        for (int x = 22; x <= 70; x += 4)
            fillPixelRow(p, x, 16, 2, QColor(0x9C, 0xC2, 0xF2, 110));
        for (int x = 118; x <= 166; x += 4)
            fillPixelRow(p, x, 16, 2, QColor(0x9C, 0xC2, 0xF2, 110));
        drawEmblem(p, QRectF(83, 6, 22, 20));
    }
    // The side edges carry on the link panel's frame; the bottom is the darker rim of the cap.
    const auto frameColourAt = [](int x, int y) {
        return (x == 12 || x == 177) && y < 30 ? kPanelFrame : kHeadFrame;
    };
    out.save(applyOutline(painted, kBaseOutline, frameColourAt), QStringLiteral("skin_base"), true);
}

void renderEditorBackground(const AssetWriter& out, int scale) {
    QImage image = makeCanvas(392, 89, scale);
    QPainter p(&image);
    p.fillRect(QRectF(0, 0, 392, 89), vertical(22, 89, QColor(0xF3, 0xF6, 0xFB), QColor(0xDA, 0xE4, 0xF2)));

    // Title strip with the logo and the web address.
    QLinearGradient strip(0, 0, 0, 22);
    strip.setColorAt(0, kHeadTop);
    strip.setColorAt(1, kHeadBottom);
    p.fillRect(QRectF(0, 0, 392, 22), strip);
    p.fillRect(QRectF(0, 0, 392, 10), vertical(0, 10, QColor(255, 255, 255, 50), QColor(255, 255, 255, 0)));
    fillPixelRow(p, 0, 21, 392, kHeadFrame);
    drawEmblem(p, QRectF(5, 3, 16, 16));
    drawEngravedText(p, QRectF(24, 3, 52, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Brimvel"),
                     uiFont(14, true), Qt::white, QColor(0x0A, 0x18, 0x33, 190));
    drawEngravedText(p, QRectF(281, 4, 105, 14), Qt::AlignRight | Qt::AlignVCenter, kWebAddress,
                     uiFont(11, false), kAddressText, QColor(0x0A, 0x18, 0x33, 140));

    // Captions and the light fields the text boxes lie on.
    const QFont captionFont = uiFont(11, true);
    p.setFont(captionFont);
    p.setPen(kCaptionBlue);
    p.drawText(QRectF(8, 32, 66, 15), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Enter URL:"));
    p.drawText(QRectF(8, 57, 76, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Enter Name:"));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kFieldBorder, 1));
    p.setBrush(QColor(0xFC, 0xFD, 0xFF));
    p.drawRoundedRect(QRectF(72.5, 28.5, 309, 22), 3, 3);
    p.drawRoundedRect(QRectF(81.5, 53.5, 177, 21), 3, 3);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x6F, 0x8D, 0xB8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0, 0, 391, 88));
    p.end();
    out.save(image, QStringLiteral("input_bg"), true);
}

// Pointing hand; the tip of the index finger is the hot spot (5, 0).
void renderHandCursor(const AssetWriter& out, int scale) {
    QImage image = makeCanvas(32, 32, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath hand;
    hand.addRoundedRect(QRectF(3, 0, 5, 15), 2.5, 2.5);       // index finger
    hand.addRoundedRect(QRectF(7.5, 7.5, 4.5, 9), 2.2, 2.2);  // middle
    hand.addRoundedRect(QRectF(11.5, 8.5, 4.5, 8), 2.2, 2.2); // ring
    hand.addRoundedRect(QRectF(15.5, 9.5, 4, 7.5), 2, 2);     // little
    hand.addRoundedRect(QRectF(3, 11, 17, 11), 3.5, 3.5);     // palm
    hand.addRect(QRectF(6, 20, 12, 4));                       // wrist
    {
        QPainterPath thumb;
        thumb.addRoundedRect(QRectF(-2.4, -2, 4.8, 8.5), 2.4, 2.4);
        QTransform t;
        t.translate(2.8, 14.5);
        t.rotate(-38);
        hand.addPath(t.map(thumb));
    }
    hand.setFillRule(Qt::WindingFill);
    hand = hand.simplified();

    p.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(hand.translated(0.5, 0.5));
    // Creases between the curled fingers.
    p.setPen(QPen(Qt::black, 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 11), QPointF(8.5, 14.5));
    p.drawLine(QPointF(12.5, 10.5), QPointF(12.5, 14.5));
    p.drawLine(QPointF(16.5, 11.5), QPointF(16.5, 14.5));
    // Cuff.
    p.setPen(QPen(Qt::black, 1.0));
    p.setBrush(QColor(0x2B, 0x5A, 0xA0));
    p.drawRect(QRectF(6.5, 23.5, 12, 4));
    p.end();
    out.save(image, QStringLiteral("hand"), false);
}

void renderIcon(const AssetWriter& out, int size) {
    QImage image = makeCanvas(size, size, 1);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal n = size;
    const qreal inset = std::max<qreal>(0.5, n / 32);
    const QRectF tile(inset, inset, n - 2 * inset, n - 2 * inset);
    QLinearGradient body(0, 0, 0, n);
    body.setColorAt(0, QColor(0x5A, 0x8F, 0xDA));
    body.setColorAt(1, QColor(0x17, 0x37, 0x6E));
    p.setPen(QPen(kHeadFrame, std::max<qreal>(1, n / 48)));
    p.setBrush(body);
    p.drawRoundedRect(tile, n * 0.2, n * 0.2);
    if (n >= 32) {
        QPainterPath clip;
        clip.addRoundedRect(tile, n * 0.2, n * 0.2);
        p.setClipPath(clip);
        p.fillRect(QRectF(0, 0, n, n * 0.45),
                   vertical(0, n * 0.45, QColor(255, 255, 255, 60), QColor(255, 255, 255, 0)));
        p.setClipping(false);
    }

    // Three link rows, each with its light; the top one is lit.
    const qreal unit = n / 16;
    const qreal barHeight = std::max<qreal>(2, std::round(2 * unit));
    const qreal left = std::round(3.5 * unit);
    const qreal right = std::round(12.5 * unit);
    for (int row = 0; row < 3; ++row) {
        const qreal top = std::round(3.5 * unit + row * 3.5 * unit);
        const qreal lightSize = barHeight + (n >= 32 ? std::round(unit) : 0);
        const qreal barRight = right - lightSize - std::max<qreal>(1, std::round(unit));
        p.setPen(Qt::NoPen);
        p.setBrush(row == 0 ? QColor(Qt::white) : QColor(0xD6, 0xE6, 0xFF));
        p.drawRoundedRect(QRectF(left, top, barRight - left, barHeight), barHeight / 3, barHeight / 3);
        const QRectF light(right - lightSize, top + barHeight / 2 - lightSize / 2, lightSize, lightSize);
        if (row == 0) {
            QRadialGradient glow(light.center(), lightSize * 0.7);
            glow.setColorAt(0, kAmberLight);
            glow.setColorAt(0.6, kAmber);
            glow.setColorAt(1, kAmberDeep);
            p.setBrush(glow);
        } else {
            p.setBrush(QColor(0x9F, 0xB4, 0xD3));
        }
        p.drawEllipse(light);
    }
    p.end();
    out.save(image, QStringLiteral("icon_%1").arg(size), false);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2)
        fail("usage: render_assets <output folder>");
    const QString folder = args.at(1);
    if (!QDir().mkpath(folder))
        fail("cannot create " + folder);
    requireFont();

    const AssetWriter out(folder);
    for (const int scale : {1, 2}) {
        renderTabSet(out, scale);
        renderBaseSkin(out, scale);
        renderEditorBackground(out, scale);
        renderHandCursor(out, scale);
    }
    for (const int size : {16, 32, 48, 64, 128, 256})
        renderIcon(out, size);
    return 0;
}
