// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class SettingsBackend;

// Access to the eight preferences, which travel between the program and the store as decimal text.
namespace modRegistry {

constexpr uint32_t kCurrentUser = 0x80000001u;
inline const QString kKeyPath = QStringLiteral("Software\\Brimvel-Blue");

// Thrown when a stored text does not convert, or the store cannot be reached: the caller's statement is
// abandoned, so the variable keeps its value and the result is not assigned.
struct Abandoned {};

// The ordinary conversion of decimal text: optional sign, surrounding blanks ignored; nullopt when the text
// is not a number or lies outside -32768..32767.
std::optional<int16_t> toInt16(const QString& text);

// Read: on success the stored value replaces `value`; 0 when the value is absent (`value` unchanged).
int16_t ReadRegValue(SettingsBackend* store, uint32_t hive, const QString& keyPath, const QString& name,
                     int16_t& value);
// Write: stores `value` as decimal text; nonzero on success.
int16_t WriteRegValue(SettingsBackend* store, uint32_t hive, const QString& keyPath, const QString& name,
                      int16_t& value);

} // namespace modRegistry
