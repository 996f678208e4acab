// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include <QString>
#include <QStringList>

#include "PlacementWindow.h"

// Access to one INI file: remembers a path, a current section, a current key and a default text, and reads
// or writes the current key through the private-profile layer. It keeps no copy of the file, so every read
// sees the file as it is now.
//
// Text fields that were never assigned are handed to the layer as absent arguments (not as empty text);
// their getters return a null QString. The setters store their argument unchanged.
class cInifile {
public:
    int32_t LastReturnCode() const { return iniLastReturn; }
    bool Success() const { return iniLastReturn != 0; }

    void setDefault(const QString& sDefault) { iniDefault = sDefault; }
    QString Default() const { return iniDefault.value_or(QString()); }
    void setPath(const QString& sPath) { iniPath = sPath; }
    QString Path() const { return iniPath.value_or(QString()); }
    void setKey(const QString& sKey) { iniKey = sKey; }
    QString Key() const { return iniKey.value_or(QString()); }
    void setSection(const QString& sSection) { iniSection = sSection; }
    QString Section() const { return iniSection.value_or(QString()); }

    // The current key's value, at most 254 bytes of UTF-8; the default when the file, section or key is
    // absent.
    QString Value() const;
    // Writes the value without its NUL characters.
    void setValue(const QString& sValue);

    void DeleteKey();
    void DeleteSection();

    // Key names of the current section, each followed by QChar(0).
    QString INISection() const;
    // Removes the current section; the text is not stored anywhere.
    void setINISection(const QString& sSection);
    // Section names of the file, each followed by QChar(0).
    QString Sections() const;

    // Entry k of the lists is at index k - 1. Key listings keep empty names; section listings skip them.
    void EnumerateCurrentSection(QStringList& sKey, int32_t& iCount) const;
    void EnumerateAllSections(QStringList& sSections, int32_t& iCount) const;

    // Saves the window's state and, for a normal window, its placement under the current section.
    void SaveFormPosition(PlacementWindow& frmThis);
    // Restores the placement saved under the current section, keeping the window at least 4 pixels inside
    // every screen edge and at least lMinWidth x lMinHeight twips large.
    void LoadFormPosition(PlacementWindow& frmThis, int32_t lMinWidth = 3000, int32_t lMinHeight = 3000);

    // sString as a number rounded half to even, or lDefault when it is not a number or does not fit 32 bits.
    static int32_t CLngDefault(const QString& sString, int32_t lDefault = 0);

private:
    std::optional<QString> iniPath;
    std::optional<QString> iniKey;
    std::optional<QString> iniSection;
    std::optional<QString> iniDefault;
    int32_t iniLastReturn = 0;
};
