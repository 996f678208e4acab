#pragma once

#include "../core/Preferences.h"

#include <QString>

class SoundOutput;

// Sound cues: one switch for all of them, and the one rule by which each plays.
class SoundCues {
public:
    SoundCues(Preferences& prefs, SoundOutput* output, QString programFolder);

    bool on() const { return prefs_[Preferences::Sound] == 1; }
    // Plays the cue at `relativePath` (below the program folder) while the switch is on.
    void playCue(const QString& relativePath);
    // Flips the switch and stores it.
    void toggle();

private:
    Preferences& prefs_;
    SoundOutput* output_;
    QString programFolder_;
};
