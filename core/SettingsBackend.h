// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>

// The per-user store of the eight preferences: one text value under a hive, a key path and a value name.
// read() leaves `text` untouched and answers false when the value is absent; both calls finish their work
// (the write is on disk) before they return.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    virtual bool read(uint32_t hive, const QString& keyPath, const QString& valueName, QString& text) = 0;
    virtual bool write(uint32_t hive, const QString& keyPath, const QString& valueName,
                       const QString& text) = 0;
};
