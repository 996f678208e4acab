// SPDX-License-Identifier: MIT
// A plain window of one known colour for tests under a Wayland compositor, as the window of another program:
// on the wayland platform a native Wayland window, on xcb an X11 window through XWayland.
//
//   testwindow TITLE [--fullscreen | --maximized] [--at X Y]
//
// --at asks for a place on the screen (an X11 window's manager may honour it; a native window has no say).
//
// Prints "shown" once the window is exposed, "focus in" / "focus out" as it gains and loses the keyboard, and
// "key NAME" for each key it receives, one line each on standard output.

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {

void say(const QByteArray& line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class ColourWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x30, 0xa0, 0x60));
        if (!shown) {
            shown = true;
            say("shown");
        }
    }
    void focusInEvent(QFocusEvent*) override { say("focus in"); }
    void focusOutEvent(QFocusEvent*) override { say("focus out"); }
    void keyPressEvent(QKeyEvent* event) override {
        say("key " + QKeySequence(event->key() | event->modifiers()).toString().toUtf8());
    }

private:
    bool shown = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    ColourWindow window;
    window.setWindowTitle(arguments.value(1, QStringLiteral("testwindow")));
    window.setFocusPolicy(Qt::StrongFocus);
    window.resize(640, 480);
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--at")); at > 0 && at + 2 < arguments.size())
        window.move(arguments[at + 1].toInt(), arguments[at + 2].toInt());
    if (arguments.contains(QStringLiteral("--fullscreen")))
        window.showFullScreen();
    else if (arguments.contains(QStringLiteral("--maximized")))
        window.showMaximized();
    else
        window.show();
    return QApplication::exec();
}
