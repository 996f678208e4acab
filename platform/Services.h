// SPDX-License-Identifier: MIT
#pragma once

#include "../core/SettingsBackend.h"
#include "Instances.h"
#include "KeyProbe.h"
#include "Shell.h"
#include "SoundOutput.h"
#include "WindowStacking.h"

#include <memory>

// The outside capabilities the program uses, one implementation each.
struct Services {
    std::unique_ptr<SettingsBackend> settings;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<SoundOutput> sound;
    std::unique_ptr<WindowStacking> stacking;
    std::unique_ptr<KeyProbe> keys;
    std::unique_ptr<Instances> instances;
};

// The implementations for the platform this build is for (X11 or the null ones), chosen by the build.
Services makePlatformServices();
