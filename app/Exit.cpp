// Leaving the program: the exit button and every close request pass through one close query.

#include "Runtime.h"
#include "frmMain.h"

#include "Paths.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

void frmMain::picExit_MouseDown() {
    if (editorShowing())
        return;
    playCue(Paths::kButtonSound);
    picExit->setPicture(imlButton.image(5));
}

void frmMain::picExit_Click() {
    if (editorShowing())
        return;
    requestClose(1);
}

void frmMain::Form_QueryUnload(int reason, int& cancel) {
    if (reason != 2) {
        const int answer = Runtime::MsgBox(this, QStringLiteral("Are you sure you want to exit Brimvel?"),
                                           Runtime::kYesNo | Runtime::kQuestion, QStringLiteral("Brimvel"));
        if (answer != Runtime::kAnswerYes) {
            cancel = 1;
            picExit->setPicture(imlButton.image(6));
            return;
        }
    }
    // The program ends at once: no further handler or timer runs. Every setting and link is already on disk.
    closeConfirmed_ = true;
    std::fflush(nullptr);
    ::_exit(0);
}
