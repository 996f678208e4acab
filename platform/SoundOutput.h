// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Plays a wave file asynchronously. A new cue replaces the one still playing; a missing or unreadable file
// plays nothing at all (no fallback sound).
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual void play(const QString& file) = 0;
};
