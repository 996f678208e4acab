#include "SoundCues.h"

#include "../platform/SoundOutput.h"

SoundCues::SoundCues(Preferences& prefs, SoundOutput* output, QString programFolder)
    : prefs_(prefs), output_(output), programFolder_(std::move(programFolder)) {}

void SoundCues::playCue(const QString& relativePath) {
    if (!on() || !output_)
        return;
    output_->play(programFolder_ + relativePath);
}

void SoundCues::toggle() {
    prefs_.set(Preferences::Sound, on() ? 0 : 1);
}
