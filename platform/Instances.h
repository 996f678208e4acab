// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Single-instance detection and activation of another program's window.
class Instances {
public:
    virtual ~Instances() = default;
    // True when another instance of the program already runs (checked once, at start-up).
    virtual bool anotherInstanceRunning() = 0;
    // True when a top-level window with this class name and this title exists.
    virtual bool findWindow(const QString& className, const QString& title) = 0;
    // Activates the top-level window whose title equals `title`; nothing when there is none.
    virtual void activateWindow(const QString& title) = 0;
    // Brings every shown top-level window titled as one of `titles` to the front, in that order (the
    // windows of the last title stand highest), without taking the keyboard.
    virtual void bringToFront(const QStringList& titles) = 0;

    // The message channel between starts of the program. The running instance listens once it holds the
    // single-instance lock: `heard` is called, on the main thread, with each word a later start passes.
    virtual void listen(std::function<void(const QString& word)> heard) = 0;
    // Passes one word to the running instance; true once it has arrived, false when none listens.
    virtual bool tellRunning(const QString& word) = 0;
};
