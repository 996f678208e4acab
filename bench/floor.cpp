// SPDX-License-Identifier: MIT
// The floor the program's figures are set against: the least a Qt Widgets program can be that shows a
// frameless window of the tab's open size, and nothing else.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("Brimvel-Floor"));
    window.setGeometry(200, 200, 207, 302);
    window.show();
    return QApplication::exec();
}
