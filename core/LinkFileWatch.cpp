// SPDX-License-Identifier: MIT
#include "LinkFileWatch.h"

#include "PrivateProfile.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

LinkFileWatch::LinkFileWatch(QString path, std::function<void()> changed)
    : path_(std::move(path)), changed_(std::move(changed)), watcher_(new QFileSystemWatcher(this)),
      settle_(new QTimer(this)) {
    // A writer may touch the file and its folder several times in a row: one look once it is quiet.
    settle_->setSingleShot(true);
    settle_->setInterval(50);
    connect(settle_, &QTimer::timeout, this, [this] { settle(); });
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { noticed(); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { noticed(); });
    seen_ = PrivateProfile::fileBytes(path_);
    watch();
}

// The file itself (a rewrite in place) and its folder (a new file renamed over it, which the file's own
// watch does not outlive); when the folder does not exist yet, its nearest existing parent, so that the
// first save, which makes the folder, is seen too.
void LinkFileWatch::watch() {
    const QStringList old = watcher_->files() + watcher_->directories();
    if (!old.isEmpty())
        watcher_->removePaths(old);
    if (QFileInfo(path_).isFile())
        watcher_->addPath(path_);
    QString folder = QFileInfo(path_).absolutePath();
    while (!QFileInfo(folder).isDir() && folder != QFileInfo(folder).path())
        folder = QFileInfo(folder).path();
    watcher_->addPath(folder);
}

void LinkFileWatch::noticed() {
    settle_->start();
}

void LinkFileWatch::settle() {
    watch();
    const QByteArray now = PrivateProfile::fileBytes(path_);
    if (now == seen_)
        return;
    seen_ = now;
    changed_();
}
