// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Files beside the program, relative to its folder.
namespace Paths {
inline const QString kLinkFile = QStringLiteral("/data/links/plink.dat");
inline const QString kButtonSound = QStringLiteral("/data/sounds/button.wav");
inline const QString kScrollSound = QStringLiteral("/data/sounds/scroll.wav");
inline const QString kMinSound = QStringLiteral("/data/sounds/min.wav");
} // namespace Paths
