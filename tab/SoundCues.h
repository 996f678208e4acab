// SPDX-License-Identifier: MIT
#pragma once

#include "../core/StoredSetting.h"
#include "../forms/SwitchLook.h"

#include <QString>

class SoundOutput;

// Sound cues: one switch for all of them, and the one rule by which each plays.
class SoundCues {
public:
    SoundCues(StoredSetting sound, SoundOutput* output, QString programFolder);

    bool on() const { return sound_.value() == 1; }
    SwitchLook look() const { return on() ? SwitchLook::On : SwitchLook::Off; }
    // Plays the cue at `relativePath` (below the program folder) while the switch is on.
    void playCue(const QString& relativePath);
    // Flips the switch and stores it.
    void toggle();

private:
    StoredSetting sound_;
    SoundOutput* output_;
    QString programFolder_;
};
