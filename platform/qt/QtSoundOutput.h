#pragma once

#include "../SoundOutput.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>

class QSoundEffect;

// Sound cues through Qt Multimedia (PulseAudio on X11). Each file gets its own QSoundEffect, kept in a
// small cache so that replaying a cue needs no new decoding; a cue whose file is still loading plays as soon
// as it is loaded, unless another cue has been asked for meanwhile. Every call stops the cue still playing.
class QtSoundOutput : public SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    QtSoundOutput(const QtSoundOutput&) = delete;
    QtSoundOutput& operator=(const QtSoundOutput&) = delete;

    void play(const QString& file) override;

private:
    struct Cue {
        std::unique_ptr<QSoundEffect> effect;
        uint64_t lastUse = 0;
    };
    static constexpr size_t kCachedCues = 8; // the program has three cues; room for a few more

    QSoundEffect* effectFor(const QString& path);
    void forgetLeastRecentlyUsed();

    std::map<QString, Cue> cues; // by absolute file path
    uint64_t useCount = 0;
    // The cue playing, or waiting for its file to load so it can play.
    QSoundEffect* current = nullptr;
};
