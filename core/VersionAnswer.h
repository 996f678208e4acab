// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What the vendor's version text says about this program.
namespace VersionAnswer {
inline const QString kThisVersion = QStringLiteral("1.5");

enum class Verdict {
    None,    // no answer: an error, a time-out or an empty text
    Current, // the first three characters are this version
    Newer,   // anything else
};

Verdict verdictOf(const QString& answer);
} // namespace VersionAnswer
