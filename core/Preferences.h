// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include <QString>

class SettingsBackend;

// The eight per-user preferences: the one owner of their values in memory, and the one place that knows
// their stored names and defaults. Every change is written at once; a write that fails is not reported and
// the value in memory stays in force for the rest of the run.
class Preferences {
public:
    enum Setting { Skin, TabTop, UpdateDue, OnTop, HoverOpen, Page, Sound, AutoRetract, kCount };

    struct Row {
        Setting setting;
        const char* name; // the value's name in the store
        int16_t fallback; // what start-up stores when the value cannot be read
    };
    // In the order start-up reads them.
    static const std::array<Row, kCount>& table();

    explicit Preferences(SettingsBackend* store = nullptr);
    void setStore(SettingsBackend* store) { store_ = store; }

    int16_t value(Setting setting) const { return values_[setting]; }
    int16_t operator[](Setting setting) const { return values_[setting]; }

    // Sets the value and writes it.
    void set(Setting setting, int16_t value);
    // Reads the stored value again; one that is absent or does not convert leaves the value as it is.
    void reload(Setting setting);

    // Start-up: reads every setting but UpdateDue in table order. A value that is absent takes its default,
    // which is then stored. A value that does not convert, or a store that cannot be reached, skips that
    // read, and whether the default is applied then depends on the previous read's result, as it always
    // has: a stored text of one setting that is not a number keeps the value at its initial 0 after a
    // successful read, and takes the default after an absent one. The page is checked right after its read:
    // one that is not a stored number of 0..8 becomes 0 and is stored. UpdateDue is set to 1 and stored in
    // its turn.
    void loadAtStart();

private:
    bool read(Setting setting, int16_t& result);
    bool write(Setting setting, int16_t& result);

    SettingsBackend* store_;
    std::array<int16_t, kCount> values_{};
};
