// SPDX-License-Identifier: MIT
#pragma once

#include "../WindowStacking.h"

#include <QList>
#include <QPair>

// No stacking control: the calls are only recorded, in order, for whoever wants to look at them. It cannot
// tell when other windows change.
class NullWindowStacking : public WindowStacking {
public:
    void setTopMost(QWidget* window, bool on) override { topMostCalls.append({window, on}); }
    void takeFocus(QWidget* window) override { focusCalls.append(window); }
    void returnFocus(QWidget* window) override { returnCalls.append(window); }
    void regainFocus(QWidget* window) override { regainCalls.append(window); }
    bool watchOthers(std::function<void()>) override { return false; }
    void standBelow(QWidget* dialog, bool on) override { standBelowCalls.append({dialog, on}); }

    // The state last set for `window` (false when never set).
    bool isTopMost(const QWidget* window) const {
        for (auto it = topMostCalls.crbegin(); it != topMostCalls.crend(); ++it) {
            if (it->first == window)
                return it->second;
        }
        return false;
    }

    QList<QPair<QWidget*, bool>> topMostCalls;
    QList<QWidget*> focusCalls;
    QList<QWidget*> returnCalls;
    QList<QWidget*> regainCalls;
    QList<QPair<QWidget*, bool>> standBelowCalls;
};
