// SPDX-License-Identifier: MIT
#pragma once

#include "../Instances.h"
#include "../qt/LocalChannel.h"

// Single instance and window activation on X11. The running instance holds an exclusive lock on
// "brimvel.lock" in $XDG_RUNTIME_DIR (or /tmp/brimvel-<uid>) for the life of its process: the kernel drops it
// when the process ends, however it ends, so a crash never leaves a stale lock behind. Windows are found by
// walking the X server's whole window tree, which also holds the windows that bypass the window manager.
class X11Instances : public Instances {
public:
    X11Instances() = default;
    ~X11Instances() override;
    X11Instances(const X11Instances&) = delete;
    X11Instances& operator=(const X11Instances&) = delete;

    // The first call takes the lock when it is free and keeps it; true when another process holds it.
    bool anotherInstanceRunning() override;
    bool findWindow(const QString& className, const QString& title) override;
    // A managed window is handed to the window manager (_NET_ACTIVE_WINDOW), which raises and focuses it;
    // a window that bypasses the window manager is raised and focused directly.
    void activateWindow(const QString& title) override;
    // Windows that bypass the window manager are raised directly, managed ones are handed to the window
    // manager to raise.
    void bringToFront(const QStringList& titles) override;
    // Words travel over a local socket beside the lock file (LocalChannel); only the lock holder listens.
    void listen(std::function<void(const QString&)> heard) override;
    bool tellRunning(const QString& word) override;

    // The lock file used by this user's instances.
    static QString lockFilePath();
    // The socket of the message channel, in the lock file's folder.
    static QString channelPath();

private:
    int lockFd = -1;
    LocalChannel channel{channelPath()};
};
