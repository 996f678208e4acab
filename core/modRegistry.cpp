// SPDX-License-Identifier: MIT
#include "modRegistry.h"

#include "SettingsBackend.h"

namespace modRegistry {

std::optional<int16_t> toInt16(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qlonglong number = trimmed.toLongLong(&ok, 10);
    if (!ok || number < -32768 || number > 32767)
        return std::nullopt;
    return static_cast<int16_t>(number);
}

namespace {
int16_t transfer(SettingsBackend* store, bool write, uint32_t hive, const QString& keyPath,
                 const QString& name, int16_t& value) {
    if (!store)
        throw Abandoned{};
    QString text = QString::number(value);
    const bool ok = write ? store->write(hive, keyPath, name, text) : store->read(hive, keyPath, name, text);
    const std::optional<int16_t> converted = toInt16(text);
    if (!converted)
        throw Abandoned{};
    value = *converted;
    return ok ? int16_t(-1) : int16_t(0);
}
} // namespace

int16_t ReadRegValue(SettingsBackend* store, uint32_t hive, const QString& keyPath, const QString& name,
                     int16_t& value) {
    return transfer(store, false, hive, keyPath, name, value);
}

int16_t WriteRegValue(SettingsBackend* store, uint32_t hive, const QString& keyPath, const QString& name,
                      int16_t& value) {
    return transfer(store, true, hive, keyPath, name, value);
}

} // namespace modRegistry
