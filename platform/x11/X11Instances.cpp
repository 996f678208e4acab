// SPDX-License-Identifier: MIT
#include "X11Instances.h"

#include "QtX11Display.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "X11Activation.h"
#include "X11Tree.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A folder only this user can write to, so no one else can hold or replace the lock file.
// Without a runtime folder: a folder of the user's own in the temporary folder ($TMPDIR, else /tmp).
QString privateFallbackFolder() {
    const QByteArray folder =
        QStringLiteral("%1/brimvel-%2").arg(QDir::tempPath()).arg(getuid()).toLocal8Bit();
    if (mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info {};
    if (lstat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return {};
    return QString::fromLocal8Bit(folder);
}

// WM_NAME in whichever encoding the owner used (Latin-1, UTF-8 or compound text).
QString legacyTitle(Display* display, Window window) {
    XTextProperty property{};
    if (!XGetWMName(display, window, &property) || !property.value)
        return {};
    QString title;
    char** list = nullptr;
    int count = 0;
    if (property.encoding == XA_STRING) {
        title = QString::fromLatin1(reinterpret_cast<const char*>(property.value),
                                    static_cast<qsizetype>(property.nitems));
    } else if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list) {
        QStringList parts;
        for (int i = 0; i < count; ++i)
            parts << QString::fromUtf8(list[i]);
        title = parts.join(QString());
        XFreeStringList(list);
    }
    XFree(property.value);
    return title;
}

QString windowTitle(Display* display, Window window) {
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    // Present but empty is still the title; only an absent _NET_WM_NAME falls back to WM_NAME.
    if (std::optional<QString> title = X11Tree::text(display, window, netWmName, utf8String))
        return *title;
    return legacyTitle(display, window);
}

QString windowClass(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return {};
    const QString className = hint.res_class ? QString::fromLocal8Bit(hint.res_class) : QString();
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return className;
}

// Raises a window that bypasses the window manager directly, giving it the keyboard too when `focus` is set;
// a managed window is handed to the window manager (_NET_ACTIVE_WINDOW), which raises and focuses it.
void raise(Display* display, Window window, const XWindowAttributes& attributes, bool focus) {
    if (attributes.override_redirect) {
        XRaiseWindow(display, window);
        if (focus && attributes.map_state == IsViewable)
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
        return;
    }
    requestActivation(display, window);
}

} // namespace

X11Instances::~X11Instances() {
    if (lockFd >= 0)
        close(lockFd);
}

QString X11Instances::lockFilePath() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = privateFallbackFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/brimvel.lock");
}

QString X11Instances::channelPath() {
    const QString lock = lockFilePath();
    return lock.isEmpty() ? QString() : lock.chopped(int(sizeof("lock") - 1)) + QStringLiteral("channel");
}

void X11Instances::listen(std::function<void(const QString&)> heard) {
    // Only the instance holding the lock may take the socket over.
    if (lockFd >= 0)
        channel.listen(std::move(heard));
}

bool X11Instances::tellRunning(const QString& word) {
    return channel.tell(word);
}

bool X11Instances::anotherInstanceRunning() {
    if (lockFd >= 0)
        return false;
    const QString path = lockFilePath();
    if (path.isEmpty())
        return false;
    // Close-on-exec: a program started from here (the browser opening a link) must not inherit the lock
    // and keep it after this instance has ended.
    const int fd = open(path.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lockFd = fd;
        return false;
    }
    const bool heldElsewhere = errno == EWOULDBLOCK;
    close(fd);
    return heldElsewhere;
}

bool X11Instances::findWindow(const QString& className, const QString& title) {
    Display* display = qtX11Display();
    if (!display)
        return false;
    for (Window window : X11Tree::allWindows(display)) {
        if (windowClass(display, window) == className && windowTitle(display, window) == title)
            return true;
    }
    return false;
}

void X11Instances::activateWindow(const QString& title) {
    Display* display = qtX11Display();
    if (!display)
        return;
    // Toolkits keep hidden windows with titles too; the one on screen is the one the user means.
    Window target = 0;
    XWindowAttributes targetAttributes{};
    for (Window window : X11Tree::allWindows(display)) {
        XWindowAttributes attributes{};
        if (windowTitle(display, window) != title || !XGetWindowAttributes(display, window, &attributes))
            continue;
        if (!target || (attributes.map_state == IsViewable && targetAttributes.map_state != IsViewable)) {
            target = window;
            targetAttributes = attributes;
        }
    }
    if (!target)
        return;

    raise(display, target, targetAttributes, true);
    XFlush(display);
}

void X11Instances::bringToFront(const QStringList& titles) {
    Display* display = qtX11Display();
    if (!display)
        return;
    const std::vector<Window> windows = X11Tree::allWindows(display);
    for (const QString& title : titles) {
        for (Window window : windows) {
            XWindowAttributes attributes{};
            // Toolkits keep hidden windows with titles too; only those on screen are meant.
            if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
                windowTitle(display, window) == title)
                raise(display, window, attributes, false);
        }
    }
    // The caller may end right after: the requests must have reached the server.
    XSync(display, False);
}
