// SPDX-License-Identifier: MIT
#pragma once

#include "../SoundOutput.h"

#include <QStringList>

// Silent: the files asked for are only recorded.
class NullSoundOutput : public SoundOutput {
public:
    void play(const QString& file) override { played.append(file); }

    QStringList played;
};
