// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

// Answers every modal message box with one button while it lives, and keeps what each box showed. A box
// without that button is dismissed as with Escape.
class MessageBoxAnswerer : public QObject {
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    // Never give it Yes while a close question may come: Yes to that ends this very process.
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer) {
        poll_.setInterval(20);
        connect(&poll_, &QTimer::timeout, this, [this] { look(); });
        poll_.start();
    }
    const QList<Seen>& seen() const { return seen_; }

private:
    void look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == answered_)
            return;
        answered_ = box;
        seen_.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
        if (QAbstractButton* button = box->button(answer_))
            button->click();
        else
            box->reject();
    }

    QMessageBox::StandardButton answer_;
    QTimer poll_;
    QPointer<QMessageBox> answered_;
    QList<Seen> seen_;
};
