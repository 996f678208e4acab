#include "../links/LinkFileLocation.h"
#include "AppState.h"
#include "frmMain.h"

#include "../platform/PlatformChoice.h"

#include <QApplication>
#include <QSessionManager>
#include <csignal>
#include <unistd.h>

namespace {
// The end of the desktop session, or a signal that a session end or a terminal sends: the program ends at
// once, without a question. Nothing is lost: every setting and link is written when it changes.
void endAtOnce(int) {
    ::_exit(0);
}
} // namespace

int main(int argc, char** argv) {
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

    frmMain tab(state);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &tab, [](QSessionManager&) { endAtOnce(0); });
    if (!tab.Form_Load())
        return 0;
    return QApplication::exec();
}
