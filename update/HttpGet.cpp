#include "update/HttpGet.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <exception>
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
    // A failure of the consumer stops the transfer and is thrown again once
    // the loop is left: nothing may cross Qt's event loop.
    std::exception_ptr failure;
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
            bool more = false;
            try {
                more = consume(response, block);
            } catch (...) {
                failure = std::current_exception();
            }
            if (!more) {
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
    if (failure)
        std::rethrow_exception(failure);
    response.transferred = !stopped && reply->error() == QNetworkReply::NoError;
    return response;
}
