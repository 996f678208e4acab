// SPDX-License-Identifier: MIT
#include "LocalChannel.h"

#include "../../core/LineSplitter.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>

#include <memory>
#include <optional>

LocalChannel::LocalChannel(QString socketPath) : path_(std::move(socketPath)) {}

LocalChannel::~LocalChannel() = default;

bool LocalChannel::listen(std::function<void(const QString&)> heard) {
    if (server_ || path_.isEmpty())
        return server_ != nullptr;
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // The caller holds the instance lock: a socket at this path is one a crashed instance left.
    QLocalServer::removeServer(path_);
    if (!server->listen(path_)) {
        delete server;
        return false;
    }
    server_ = server;
    connect(server, &QLocalServer::newConnection, this, [server, heard = std::move(heard)] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // A line is a word of a few letters: a sender that goes past the bound without ending its line
            // is cut off, and the socket buffers no more than the bound between two reads.
            socket->setReadBufferSize(kMaxLine);
            auto lines = std::make_shared<LineSplitter>(kMaxLine);
            connect(socket, &QLocalSocket::readyRead, socket, [socket, heard, lines] {
                const bool fits = lines->feed(socket->readAll());
                while (const std::optional<QByteArray> line = lines->next()) {
                    const QString word = QString::fromUtf8(*line).trimmed();
                    // The answer tells the sender the word arrived, so it may end.
                    socket->write("ok\n");
                    socket->flush();
                    // Acted on from the event loop, not inside the socket's signal: what the word starts
                    // may run nested event loops, in which this socket can end.
                    if (!word.isEmpty() && heard)
                        QMetaObject::invokeMethod(
                            qApp, [heard, word] { heard(word); }, Qt::QueuedConnection);
                }
                if (!fits)
                    socket->abort();
            });
        }
    });
    return true;
}

bool LocalChannel::tell(const QString& word, int timeoutMs) const {
    if (path_.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(word.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}
