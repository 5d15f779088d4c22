#include "update/HttpGet.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <memory>

HttpResponse httpGet(QNetworkAccessManager &network, const QUrl &url, int timeoutMs,
                     const std::function<bool(const HttpResponse &, QByteArrayView)> &consume)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Bilvaro Updater"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setTransferTimeout(timeoutMs);
    const std::unique_ptr<QNetworkReply> reply(network.get(request));

    HttpResponse response;
    bool stopped = false;
    const auto readHead = [&] {
        response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid())
            response.contentLength = length.toLongLong();
    };
    QEventLoop loop;
    const auto readBody = [&] {
        readHead();
        while (!stopped && reply->bytesAvailable() > 0) {
            const QByteArray block = reply->read(1024);
            response.received += block.size();
            if (!consume(response, block)) {
                // Deleting the reply at the end ends the transfer.
                stopped = true;
                loop.quit();
            }
        }
    };

    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, readBody);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!stopped)
        readBody();
    response.transferred = !stopped && reply->error() == QNetworkReply::NoError;
    return response;
}
