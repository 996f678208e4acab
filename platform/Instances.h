// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

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
};
