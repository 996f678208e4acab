// SPDX-License-Identifier: MIT
#pragma once

#include "../core/Preferences.h"

#include "../platform/Services.h"

#include <QString>
#include <cstdint>

// What every part of the running program shares: the per-user preferences (among them the page shown and
// the sound switch), the program folder and the platform's services. Owned by the running program; each test
// builds a fresh one.
struct AppState {
    Preferences prefs;

    int16_t currentPage() const { return prefs[Preferences::Page]; }
    int16_t soundOn() const { return prefs[Preferences::Sound]; }

    // The folder of the executable, without a trailing separator; data/ lies beside the executable.
    QString programFolder;
    Services services;

    // The link file when start-up chose one (links/LinkFileLocation.h); empty: data/links beside the program.
    QString linkFile;

    // Started with --toggle: a running instance is told to slide its tab out or in; without one, this
    // instance slides its tab out once it is up.
    bool toggleRequested = false;

    QString dataPath(const QString& relative) const { return programFolder + relative; }
};
