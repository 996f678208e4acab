// SPDX-License-Identifier: MIT
#include "Runtime.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <map>
#include <vector>

namespace Runtime {

void DoEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Moves and resizes of windows that bypass the window manager must reach the server now, not at the
    // next idle moment, or a paced motion is never seen.
    if (flushHook())
        flushHook()();
}

std::function<void()>& flushHook() {
    static std::function<void()> hook;
    return hook;
}

namespace {
std::map<int, DialogWatcher>& dialogWatchers() {
    static std::map<int, DialogWatcher> watchers;
    return watchers;
}
} // namespace

int watchDialogs(DialogWatcher watcher) {
    static int last = 0;
    dialogWatchers().emplace(++last, std::move(watcher));
    return last;
}

void unwatchDialogs(int number) {
    dialogWatchers().erase(number);
}

void dialogShowing(QWidget* dialog, bool showing) {
    // A watcher may go while it is told (a test's program that ends), so each is looked up again.
    std::vector<int> numbers;
    for (const auto& entry : dialogWatchers())
        numbers.push_back(entry.first);
    for (int number : numbers) {
        const auto it = dialogWatchers().find(number);
        if (it != dialogWatchers().end() && it->second)
            it->second(dialog, showing);
    }
}

int MsgBox(QWidget* parent, const QString& text, int flags, const QString& title) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    if (flags & kYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if ((flags & kExclamation) == kExclamation)
        box.setIcon(QMessageBox::Warning);
    else if (flags & kQuestion)
        box.setIcon(QMessageBox::Question);
    dialogShowing(&box, true);
    const int answer = box.exec();
    dialogShowing(&box, false);
    if (answer == QMessageBox::Yes)
        return kAnswerYes;
    if (answer == QMessageBox::No)
        return kAnswerNo;
    return kAnswerOk;
}

} // namespace Runtime
