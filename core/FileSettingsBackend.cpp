// SPDX-License-Identifier: MIT
#include "FileSettingsBackend.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
QString configFolder() {
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    if (!xdg.isEmpty())
        return QString::fromLocal8Bit(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}
} // namespace

FileSettingsBackend::FileSettingsBackend(QString folder) : folder_(std::move(folder)) {}

QString FileSettingsBackend::fileFor(const QString& keyPath) const {
    QString name = keyPath.section(QLatin1Char('\\'), -1);
    if (name.isEmpty())
        name = QStringLiteral("settings");
    return (folder_.isEmpty() ? configFolder() : folder_) + QLatin1Char('/') + name + QStringLiteral(".conf");
}

bool FileSettingsBackend::read(uint32_t, const QString& keyPath, const QString& valueName, QString& text) {
    const QString file = fileFor(keyPath);
    if (!QFileInfo::exists(file))
        return false;
    QSettings store(file, QSettings::IniFormat);
    if (store.status() != QSettings::NoError || !store.contains(valueName))
        return false;
    text = store.value(valueName).toString();
    return true;
}

bool FileSettingsBackend::write(uint32_t, const QString& keyPath, const QString& valueName,
                                const QString& text) {
    const QString file = fileFor(keyPath);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings store(file, QSettings::IniFormat);
    store.setValue(valueName, text);
    store.sync();
    return store.status() == QSettings::NoError;
}
