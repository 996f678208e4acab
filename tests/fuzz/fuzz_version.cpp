// SPDX-License-Identifier: MIT
// libFuzzer target for the version answer of the update check: the body as the fetcher decodes it (UTF-8)
// goes to VersionAnswer::verdictOf. Only the first three characters may count, an empty answer is none, and
// this version's own text is current.

#include <cstdlib>

#include <QByteArray>
#include <QString>

#include "core/VersionAnswer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using VersionAnswer::Verdict;
    const QString answer = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const Verdict verdict = VersionAnswer::verdictOf(answer);
    if ((verdict == Verdict::None) != answer.isEmpty())
        std::abort();
    if ((verdict == Verdict::Current) != answer.startsWith(VersionAnswer::kThisVersion))
        std::abort();
    if (answer.size() >= 3 && VersionAnswer::verdictOf(answer.left(3) + QStringLiteral("\n9.9")) != verdict)
        std::abort();
    return 0;
}
