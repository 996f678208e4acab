// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

class QLocalServer;

// Words passed from a second start of the program to the running one ("toggle"), through a local socket in
// the same private folder as the single-instance lock. Only the instance that holds the lock listens, so the
// socket it finds is always its own, and one left behind by a crash is replaced.
class LocalChannel : public QObject {
public:
    explicit LocalChannel(QString socketPath);
    ~LocalChannel() override;

    // Starts listening; `heard` is called with each word, in the order they arrive. False when the socket
    // cannot be made.
    bool listen(std::function<void(const QString&)> heard);
    // Passes one word (no line breaks) to the listening instance and waits, at most `timeoutMs`, until it
    // has it. False when no one listens.
    bool tell(const QString& word, int timeoutMs = 2000) const;

    const QString& socketPath() const { return path_; }

    // The longest line the listener takes, its "\n" not counted; a connection that sends a longer one is
    // dropped.
    static constexpr qsizetype kMaxLine = 4096;

private:
    QString path_;
    QLocalServer* server_ = nullptr;
};
