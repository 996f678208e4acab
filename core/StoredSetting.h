// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "Preferences.h"

// One preference handed to the subsystem that owns it: its value, and writing it at once when it changes.
// A subsystem holds a handle for each setting it owns and sees no other.
class StoredSetting {
public:
    StoredSetting(Preferences& prefs, Preferences::Setting setting) : prefs_(&prefs), setting_(setting) {}

    int16_t value() const { return prefs_->value(setting_); }
    // Sets the value and writes it.
    void set(int16_t value) { prefs_->set(setting_, value); }
    // Reads the stored value again; one that is absent or does not convert leaves the value as it is.
    void reload() { prefs_->reload(setting_); }

private:
    Preferences* prefs_;
    Preferences::Setting setting_;
};
