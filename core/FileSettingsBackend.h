// SPDX-License-Identifier: MIT
#pragma once

#include "SettingsBackend.h"

#include <QString>

// The per-user store as an INI file: the key path's last part names the file "<part>.conf" in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), the values stand as decimal text under [General].
// Every call opens the file afresh, so a value changed by hand while the program runs is what the next read
// returns, and every write is on disk before it returns.
class FileSettingsBackend : public SettingsBackend {
public:
    // `folder` empty: the user's configuration folder.
    explicit FileSettingsBackend(QString folder = {});

    bool read(uint32_t hive, const QString& keyPath, const QString& valueName, QString& text) override;
    bool write(uint32_t hive, const QString& keyPath, const QString& valueName, const QString& text) override;

    QString fileFor(const QString& keyPath) const;

private:
    QString folder_;
};
