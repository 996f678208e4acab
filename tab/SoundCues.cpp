// SPDX-License-Identifier: MIT
#include "SoundCues.h"

#include "../platform/SoundOutput.h"

SoundCues::SoundCues(StoredSetting sound, SoundOutput* output, QString programFolder)
    : sound_(sound), output_(output), programFolder_(std::move(programFolder)) {}

void SoundCues::playCue(const QString& relativePath) {
    if (!on() || !output_)
        return;
    output_->play(programFolder_ + relativePath);
}

void SoundCues::toggle() {
    sound_.set(on() ? 0 : 1);
}
