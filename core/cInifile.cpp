// SPDX-License-Identifier: MIT
#include "cInifile.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include <QLocale>
#include <QRegularExpression>

#include "PrivateProfile.h"

namespace {

constexpr int valueBufferSize = 255;
constexpr int listBufferSize = 8192;

double roundHalfToEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

bool fitsLong(double value) {
    return value >= double(std::numeric_limits<int32_t>::min()) &&
           value <= double(std::numeric_limits<int32_t>::max());
}

// Placement arithmetic is done in 32-bit integers; a result that does not fit is a failure of the
// operation, as an overflow would be.
int32_t toLong(double value) {
    const double rounded = roundHalfToEven(value);
    if (!std::isfinite(rounded) || !fitsLong(rounded))
        throw std::overflow_error("placement value out of range");
    return int32_t(rounded);
}

int32_t checkedSum(int32_t a, int32_t b) {
    const int64_t sum = int64_t(a) + int64_t(b);
    if (sum < std::numeric_limits<int32_t>::min() || sum > std::numeric_limits<int32_t>::max())
        throw std::overflow_error("placement value out of range");
    return int32_t(sum);
}

QString twipsText(double twips) {
    if (twips == std::floor(twips) && std::abs(twips) < 1e15)
        return QString::number(int64_t(twips));
    return QString::number(twips, 'f', QLocale::FloatingPointShortest);
}

// Splits a NUL-terminated name list; text after the last NUL is not a name.
void splitNameList(const QString& list, bool keepEmptyNames, QStringList& names, int32_t& count) {
    names.clear();
    count = 0;
    qsizetype start = 0;
    for (qsizetype nul = list.indexOf(QChar(0)); nul >= 0; nul = list.indexOf(QChar(0), start)) {
        if (nul > start || keepEmptyNames) {
            names.append(list.sliced(start, nul - start));
            ++count;
        }
        start = nul + 1;
    }
}

// Puts a field back as it was when the placement operation ends, whichever way it ends.
class FieldRestorer {
public:
    explicit FieldRestorer(std::optional<QString>& field) : field_(field), saved_(field) {}
    ~FieldRestorer() { field_ = saved_; }
    FieldRestorer(const FieldRestorer&) = delete;
    FieldRestorer& operator=(const FieldRestorer&) = delete;

private:
    std::optional<QString>& field_;
    std::optional<QString> saved_;
};

} // namespace

QString cInifile::Value() const {
    QString buffer;
    PrivateProfile::getString(iniSection, iniKey, iniDefault, buffer, valueBufferSize, Path());
    return buffer;
}

void cInifile::setValue(const QString& sValue) {
    QString withoutNul = sValue;
    withoutNul.remove(QChar(0));
    iniLastReturn = PrivateProfile::writeString(iniSection, iniKey, withoutNul, Path());
}

void cInifile::DeleteKey() {
    iniLastReturn = PrivateProfile::writeString(iniSection, iniKey, std::nullopt, Path());
}

void cInifile::DeleteSection() {
    iniLastReturn = PrivateProfile::writeString(iniSection, std::nullopt, std::nullopt, Path());
}

QString cInifile::INISection() const {
    QString buffer;
    PrivateProfile::getString(iniSection, std::nullopt, iniDefault, buffer, listBufferSize, Path());
    return buffer;
}

void cInifile::setINISection(const QString& sSection) {
    // With the key absent the layer removes the section; the text goes nowhere.
    iniLastReturn = PrivateProfile::writeString(iniSection, std::nullopt, sSection, Path());
}

QString cInifile::Sections() const {
    QString buffer;
    PrivateProfile::getString(std::nullopt, std::nullopt, iniDefault, buffer, listBufferSize, Path());
    return buffer;
}

void cInifile::EnumerateCurrentSection(QStringList& sKey, int32_t& iCount) const {
    splitNameList(INISection(), true, sKey, iCount);
}

void cInifile::EnumerateAllSections(QStringList& sSections, int32_t& iCount) const {
    splitNameList(Sections(), false, sSections, iCount);
}

void cInifile::SaveFormPosition(PlacementWindow& frmThis) {
    const FieldRestorer keyRestorer(iniKey);
    try {
        const int state = frmThis.windowState();
        if (state == 1)
            return;
        setKey(QStringLiteral("Maximised"));
        setValue(state == 2 ? QStringLiteral("1") : QStringLiteral("0"));
        if (state == 2)
            return;
        setKey(QStringLiteral("Left"));
        setValue(twipsText(frmThis.left()));
        setKey(QStringLiteral("Top"));
        setValue(twipsText(frmThis.top()));
        setKey(QStringLiteral("Width"));
        setValue(twipsText(frmThis.width()));
        setKey(QStringLiteral("Height"));
        setValue(twipsText(frmThis.height()));
    } catch (...) {
        iniLastReturn = 0;
    }
}

void cInifile::LoadFormPosition(PlacementWindow& frmThis, int32_t lMinWidth, int32_t lMinHeight) {
    const FieldRestorer keyRestorer(iniKey);
    const FieldRestorer defaultRestorer(iniDefault);
    try {
        setDefault(QStringLiteral("FAIL"));
        const auto stored = [this](const QString& key, double current) {
            setKey(key);
            return CLngDefault(Value(), toLong(current));
        };
        int32_t left = stored(QStringLiteral("Left"), frmThis.left());
        int32_t top = stored(QStringLiteral("Top"), frmThis.top());
        int32_t width = std::max(stored(QStringLiteral("Width"), frmThis.width()), lMinWidth);
        int32_t height = std::max(stored(QStringLiteral("Height"), frmThis.height()), lMinHeight);

        const double marginX = 4 * frmThis.twipsPerPixelX();
        const double marginY = 4 * frmThis.twipsPerPixelY();
        const double screenWidth = frmThis.screenWidth();
        const double screenHeight = frmThis.screenHeight();
        // Keeps one edge pair inside the screen: first shift, then shrink what still sticks out.
        const auto fitInside = [](int32_t& start, int32_t& extent, double margin, double screenExtent) {
            if (start < margin)
                start = toLong(margin);
            if (checkedSum(start, extent) > screenExtent - margin) {
                start = toLong(screenExtent - margin - extent);
                if (start < margin)
                    start = toLong(margin);
                if (checkedSum(start, extent) > screenExtent - margin)
                    extent = toLong(screenExtent - start - margin);
            }
        };
        fitInside(left, width, marginX, screenWidth);
        fitInside(top, height, marginY, screenHeight);

        if (width >= lMinWidth && height >= lMinHeight)
            frmThis.moveResize(left, top, width, height);

        setKey(QStringLiteral("Maximised"));
        if (CLngDefault(Value(), 0) != 0)
            frmThis.setWindowState(2);
    } catch (...) {
        iniLastReturn = 0;
    }
}

int32_t cInifile::CLngDefault(const QString& sString, int32_t lDefault) {
    // Decimal numbers only: optional sign, digits with an optional fraction, an optional exponent, and
    // blanks around them.
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?[ \\t]*$"));
    if (!number.match(sString).hasMatch())
        return lDefault;
    // The text is a well-formed number, so the conversion can only miss by overflowing (giving an
    // infinity, out of range below) or underflowing (giving 0, which is right).
    const double value = sString.trimmed().toDouble();
    const double rounded = roundHalfToEven(value);
    if (!std::isfinite(rounded) || !fitsLong(rounded))
        return lDefault;
    return int32_t(rounded);
}
