// SPDX-License-Identifier: MIT
#include "../core/LinkFileLocation.h"
#include "AppState.h"
#include "LinkTransfer.h"
#include "frmMain.h"

#include "../platform/PlatformChoice.h"
#ifdef BRIMVEL_X11
#include "../platform/x11/X11Instances.h"
#endif

#include <QApplication>
#include <QSessionManager>
#include <QTextStream>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {
// The end of the desktop session, or a signal that a session end or a terminal sends: the program ends at
// once, without a question. Nothing is lost: every setting and link is written when it changes.
void endAtOnce(int) {
    ::_exit(0);
}

// The session manager asks every program to save its work at each checkpoint, and again before the session
// ends; there is nothing to save (every setting and link is on disk already), so the request only gets its
// answer. The end itself comes as the toolkit's quit once the manager tells the program to die: that, and
// only that, ends the program without the question.
class SessionEnd : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit)
            endAtOnce(0);
        return false;
    }
};
// `--import SOURCE` and `--export FILE` work on the link file and end without a window (and without a
// display). Returns the exit status, or -1 when neither is asked for.
int transferLinks(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray option(argv[i]);
        if (option != "--import" && option != "--export")
            continue;
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Brimvel"));
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (i + 1 >= argc) {
            err << "brimvel: " << option
                << (option == "--import" ? " needs a bookmarks file, firefox or chromium"
                                         : " needs the name of the file to write")
                << ".\n";
            return 1;
        }
        const QString argument = QString::fromLocal8Bit(argv[i + 1]);
        const QString linkFile = LinkFileLocation::resolve(QCoreApplication::applicationDirPath());
        return option == "--import" ? LinkTransfer::importLinks(argument, linkFile, out, err)
                                    : LinkTransfer::exportLinks(argument, linkFile, out, err);
    }
    return -1;
}

// `--toggle` with a tab already running only passes the word on, before anything of a windowed program
// starts: no display connection, no accessibility bridge, no session bus. True when the running tab has it;
// otherwise this start goes on to become the tab itself.
bool passToggleToRunningTab(int argc, char** argv) {
#ifdef BRIMVEL_X11
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--toggle") != 0)
            continue;
        QCoreApplication app(argc, argv);
        return LocalChannel(X11Instances::channelPath()).tell(QStringLiteral("toggle"));
    }
#else
    (void)argc;
    (void)argv;
#endif
    return false;
}
} // namespace

int main(int argc, char** argv) {
    if (const int status = transferLinks(argc, argv); status >= 0)
        return status;
    if (passToggleToRunningTab(argc, argv))
        return 0;
    if (!PlatformChoice::prepare(argc, argv))
        return 1;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brimvel"));
    QApplication::setDesktopFileName(QStringLiteral("brimvel"));
    QApplication::setQuitOnLastWindowClosed(false);
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        std::signal(sig, endAtOnce);

    AppState state;
    state.programFolder = QCoreApplication::applicationDirPath();
    state.linkFile = LinkFileLocation::resolve(state.programFolder);
    state.services = makePlatformServices();
    state.toggleRequested = QCoreApplication::arguments().contains(QStringLiteral("--toggle"));

    frmMain tab(state);
    SessionEnd sessionEnd;
    app.installEventFilter(&sessionEnd);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &tab,
                     [](QSessionManager& manager) { manager.release(); });
    if (!tab.Form_Load())
        return 0;
    return QApplication::exec();
}
