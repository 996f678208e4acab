// SPDX-License-Identifier: MIT
#include "FocusReturn.h"

#include "Runtime.h"

#include <QTimer>

namespace {
QPointer<QWidget>& currentOpening() {
    static QPointer<QWidget> opener;
    return opener;
}
} // namespace

FocusReturn::Opening::Opening(QWidget* opener) : previous_(currentOpening()) {
    currentOpening() = opener;
}

FocusReturn::Opening::~Opening() {
    currentOpening() = previous_;
}

QWidget* FocusReturn::opening() {
    return currentOpening().data();
}

FocusReturn::FocusReturn(std::function<void(QWidget*)> giveBack) : giveBack_(std::move(giveBack)) {
    watch_ = Runtime::watchDialogs([this](QWidget* dialog, bool showing) { dialogShowing(dialog, showing); });
}

FocusReturn::~FocusReturn() {
    Runtime::unwatchDialogs(watch_);
}

void FocusReturn::dialogShowing(QWidget* dialog, bool showing) {
    showing_.removeIf([dialog](const QPointer<QWidget>& d) { return d.isNull() || d == dialog; });
    if (showing) {
        showing_.append(dialog);
        // A dialog that follows from one opened by the keyboard keeps its opener.
        if (QWidget* opener = opening(); opener && !armed_) {
            armed_ = true;
            opener_ = opener;
        }
        return;
    }
    if (armed_ && showing_.isEmpty()) {
        // The closing dialog's own handling (and what its answer starts) runs first: a question that follows
        // shows before the keyboard would go back.
        QTimer::singleShot(0, this, [this] { giveBackOnceAllClosed(); });
    }
}

void FocusReturn::giveBackOnceAllClosed() {
    showing_.removeIf([](const QPointer<QWidget>& d) { return d.isNull() || !d->isVisible(); });
    if (!armed_ || !showing_.isEmpty())
        return;
    armed_ = false;
    const QPointer<QWidget> opener = opener_;
    opener_.clear();
    if (giveBack_)
        giveBack_(opener.data());
}
