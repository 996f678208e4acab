// SPDX-License-Identifier: MIT
#pragma once

#include "core/cInifile.h"

#include <QString>

// cInifile aimed where the placement tests keep a window's place: section "frmMain" of `path`, with a key of
// its own ("Current") that saving and loading must leave as it was.
inline cInifile placementIni(const QString& path, const QString& key = QStringLiteral("Current")) {
    cInifile ini;
    ini.setPath(path);
    ini.setSection(QStringLiteral("frmMain"));
    if (!key.isNull())
        ini.setKey(key);
    return ini;
}
