// SPDX-License-Identifier: MIT
#include "VersionAnswer.h"

namespace VersionAnswer {

Verdict verdictOf(const QString& answer) {
    const QString text = answer.left(3);
    if (text.isEmpty())
        return Verdict::None;
    return text == kThisVersion ? Verdict::Current : Verdict::Newer;
}

} // namespace VersionAnswer
