#include "Runtime.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

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
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return kAnswerYes;
    if (answer == QMessageBox::No)
        return kAnswerNo;
    return kAnswerOk;
}

} // namespace Runtime
