// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// Downloads the short version text without holding the user-interface thread: at most one request in flight,
// a limit on the whole request, a few kilobytes read at most, and redirects followed only on the same host
// (over http or https, to any port; the host of the address asked for, by name). A failure, a time-out, an
// HTTP error status, a refused redirect or an empty body answers the empty text.
class VersionFetcher : public QObject {
public:
    static constexpr int kTimeoutMs = 60000;
    static constexpr qint64 kMaxBytes = 4096;
    static constexpr int kMaxRedirects = 3;

    explicit VersionFetcher(QObject* parent = nullptr);
    ~VersionFetcher() override;

    // Starts a download unless one is in flight; `done` receives the answer later. Returns false when busy.
    bool fetch(const QString& address, std::function<void(const QString&)> done);
    bool busy() const { return reply_ != nullptr; }
    void setTimeout(int ms) { timeoutMs_ = ms; }

    // Whether a redirect from the address asked for to `target` (which may be relative) is followed.
    static bool mayFollow(const QUrl& origin, const QUrl& target);

private:
    void finish(const QString& text);

    QNetworkAccessManager* manager_;
    QNetworkReply* reply_ = nullptr;
    std::function<void(const QString&)> done_;
    int timeoutMs_ = kTimeoutMs;
};
