// SPDX-License-Identifier: MIT
#include "Preferences.h"

#include "modRegistry.h"

const std::array<Preferences::Row, Preferences::kCount>& Preferences::table() {
    static const std::array<Row, kCount> rows{{
        {Skin, "skn", 1},
        {TabTop, "poy", 80},
        {UpdateDue, "upd", 1},
        {OnTop, "ont", 1},
        {HoverOpen, "mso", 0},
        {Page, "mdt", 0},
        {Sound, "sdo", 1},
        {AutoRetract, "atr", 0},
    }};
    return rows;
}

Preferences::Preferences(SettingsBackend* store) : store_(store) {}

bool Preferences::read(Setting setting, int16_t& result) {
    try {
        result = modRegistry::ReadRegValue(store_, modRegistry::kCurrentUser, modRegistry::kKeyPath,
                                           QString::fromLatin1(table()[setting].name), values_[setting]);
        return true;
    } catch (const modRegistry::Abandoned&) {
        return false;
    }
}

bool Preferences::write(Setting setting, int16_t& result) {
    try {
        result = modRegistry::WriteRegValue(store_, modRegistry::kCurrentUser, modRegistry::kKeyPath,
                                            QString::fromLatin1(table()[setting].name), values_[setting]);
        return true;
    } catch (const modRegistry::Abandoned&) {
        return false;
    }
}

void Preferences::set(Setting setting, int16_t value) {
    values_[setting] = value;
    int16_t result = 0;
    write(setting, result);
}

void Preferences::reload(Setting setting) {
    int16_t result = 0;
    read(setting, result);
}

void Preferences::loadAtStart() {
    // The result of the last read or write that completed: a read that is skipped leaves it as it was.
    int16_t result = 0;
    for (const Row& row : table()) {
        if (row.setting == UpdateDue) {
            values_[UpdateDue] = 1;
            write(UpdateDue, result);
            continue;
        }
        const bool converted = read(row.setting, result);
        if (result == 0) {
            values_[row.setting] = row.fallback;
            write(row.setting, result);
        }
        if (row.setting == Page && (!converted || values_[Page] < 0 || values_[Page] > 8)) {
            // A page that is not one of the nine (edited by hand) would name no page of the table: start on
            // the first, and store it.
            values_[Page] = 0;
            write(Page, result);
        }
    }
}
