// SPDX-License-Identifier: MIT
#pragma once

#include "../Instances.h"

// No other instance and no other windows are ever seen.
class NullInstances : public Instances {
public:
    bool anotherInstanceRunning() override { return false; }
    bool findWindow(const QString&, const QString&) override { return false; }
    void activateWindow(const QString&) override {}
    void bringToFront(const QStringList&) override {}
    void listen(std::function<void(const QString&)>) override {}
    bool tellRunning(const QString&) override { return false; }
};
