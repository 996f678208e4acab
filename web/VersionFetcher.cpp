// SPDX-License-Identifier: MIT
#include "VersionFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

VersionFetcher::VersionFetcher(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)) {}

VersionFetcher::~VersionFetcher() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

bool VersionFetcher::fetch(const QString& address, std::function<void(const QString&)> done) {
    if (reply_)
        return false;
    done_ = std::move(done);
    const QUrl origin(address);
    QNetworkRequest request{origin};
    // Each redirect is judged here: a server that moves the file to https, or to another port, on the same
    // host is followed; anything that leaves the host is not.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(timeoutMs_);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    reply_ = manager_->get(request);
    reply_->setReadBufferSize(kMaxBytes);
    QNetworkReply* reply = reply_;

    // The whole request, not only a silent stretch of it, has a time limit.
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, reply, &QNetworkReply::abort);
    limit->start(timeoutMs_);

    connect(reply, &QNetworkReply::redirected, this, [reply, origin](const QUrl& target) {
        if (mayFollow(origin, target))
            emit reply->redirectAllowed();
        else
            reply->abort();
    });

    auto body = std::make_shared<QByteArray>();
    connect(reply, &QNetworkReply::readyRead, this, [reply, body] {
        body->append(reply->read(kMaxBytes - body->size()));
        if (body->size() >= kMaxBytes)
            reply->abort(); // enough to read a version number
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, body] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool enough = body->size() >= kMaxBytes;
        if (!enough && reply->error() == QNetworkReply::NoError)
            body->append(reply->read(kMaxBytes - body->size()));
        const bool ok = (reply->error() == QNetworkReply::NoError || enough) && status >= 200 && status < 300;
        reply_ = nullptr;
        reply->deleteLater();
        finish(ok ? QString::fromUtf8(*body) : QString());
    });
    return true;
}

bool VersionFetcher::mayFollow(const QUrl& origin, const QUrl& target) {
    const QUrl resolved = origin.resolved(target);
    const QString scheme = resolved.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !resolved.host().isEmpty() && resolved.host().compare(origin.host(), Qt::CaseInsensitive) == 0;
}

void VersionFetcher::finish(const QString& text) {
    auto done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(text);
}
