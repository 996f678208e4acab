// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

// Gives the keyboard back to the control that opened a dialog, a message box or a menu once it has closed.
// Only what the keyboard or assistive technology opened is followed (a pointer's dialog leaves the focus to
// the pointer's rules): the control marks the span of its action with an Opening, and whatever dialog shows
// during it remembers the control. A dialog that leads to another (a menu whose choice asks a question, or
// opens the editor) hands the control on; the keyboard goes back once the last of them has closed, and not
// while another still shows.
class FocusReturn : public QObject {
public:
    // `giveBack` is called with the control that opened the dialogs (nullptr when it no longer exists).
    explicit FocusReturn(std::function<void(QWidget* opener)> giveBack);
    ~FocusReturn() override;

    // The span of an action the keyboard or assistive technology asked `opener` for.
    class Opening {
    public:
        explicit Opening(QWidget* opener);
        ~Opening();
        Opening(const Opening&) = delete;
        Opening& operator=(const Opening&) = delete;

    private:
        QPointer<QWidget> previous_;
    };
    // The control whose action runs now, if any.
    static QWidget* opening();

    // True while a dialog opened from the keyboard shows, or the keyboard has still to be given back.
    bool pending() const { return armed_; }

private:
    void dialogShowing(QWidget* dialog, bool showing);
    void giveBackOnceAllClosed();

    std::function<void(QWidget*)> giveBack_;
    int watch_ = 0;
    bool armed_ = false;
    QPointer<QWidget> opener_;
    QList<QPointer<QWidget>> showing_;
};
