// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QFileSystemWatcher;
class QTimer;

// Tells the running tab when the link file changed on disk (an import from the command line, a hand edit, a
// restored backup), whether it was rewritten in place or replaced by a new file. The system reports the
// change; nothing is polled, so a quiet file costs no wake-ups. A change that leaves the file's bytes as
// they were is not reported. The file is read as the INI layer reads it (PrivateProfile::fileBytes): one that
// grows past the layer's limit reads as absent.
class LinkFileWatch : public QObject {
public:
    LinkFileWatch(QString path, std::function<void()> changed);

private:
    void noticed();
    void settle();
    void watch();

    QString path_;
    std::function<void()> changed_;
    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    QByteArray seen_;
};
