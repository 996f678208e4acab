// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class Control;
class QTimer;

// Says a short message to a screen reader: what was done (a link removed, moved or saved) or what changed
// out of sight (another page shown). The toolkit's bridge to the desktop's accessibility bus (Qt 6.4 on
// Linux) carries no announcement: it drops alert events, tells of a changed name without the new text, and
// reads a notification as an unnamed filler. What a screen reader (Orca) does voice is the focus coming to a
// control, read as it stands when the screen reader gets to it. So each message is a fresh text node of the
// form, named by the message, which takes the focus until the screen reader has taken it up (or for a
// moment at most when none does), and the focus then goes back to the control that had it, which the
// screen reader reads again. Nothing shows on screen: the node has no size, and the keys typed meanwhile
// still reach the form. Without assistive technology on the bus nothing moves at all.
class Announcer : public QObject {
public:
    // `holdWhile`: while true, messages wait (the keyboard is on its way back to the form); resume() says
    // them once it is false again.
    Announcer(QWidget* form, std::function<bool()> holdWhile);
    ~Announcer() override;

    // Says `text` once the form holds the keyboard (at once when it does), after the messages before it.
    void say(const QString& text);
    // Says the messages that wait, if the form holds the keyboard now.
    void resume() { next(); }
    // The last message asked for.
    const QString& lastMessage() const { return last_; }
    // True while a message waits or is being read.
    bool busy() const { return node_ || !queue_.isEmpty(); }

    // The longest the focus waits on a message for a screen reader to read it. A screen reader takes it up at
    // once on a quiet machine and the focus goes back then; on a busy one it may get to it seconds later, and
    // reads nothing once the focus has gone back. Keys typed meanwhile reach the form all the same.
    static constexpr int kReadingMs = 6000;
    // How long a message's node stays readable after the focus has gone back.
    static constexpr int kKeptMs = 10000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void next();
    void done();

    QWidget& form_;
    std::function<bool()> holdWhile_;
    QStringList queue_;
    QString last_;
    // The message being read, whether the focus left it, whether a screen reader took it up, and how often
    // it has been said again because the focus left it first.
    QString current_;
    bool interrupted_ = false;
    bool asked_ = false;
    int retries_ = 0;
    static constexpr int kRetries = 2;
    QPointer<Control> node_;
    QPointer<QWidget> back_;
    QTimer* cap_;
};
