#include "update/HttpGet.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <exception>
#include <memory>

HttpGet::HttpGet(QNetworkAccessManager &network, int inactivityMs, QDeadlineTimer deadline)
    : m_network(network), m_inactivityMs(inactivityMs), m_deadline(deadline)
{
}

void HttpGet::cancel()
{
    m_cancelled = true;
    if (m_loop)
        m_loop->quit();
}

HttpResponse HttpGet::get(const QUrl &url,
                          const std::function<bool(const HttpResponse &, QByteArrayView)> &consume)
{
    HttpResponse response;
    if (m_cancelled || m_deadline.hasExpired())
        return response;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Bilvaro Updater"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setTransferTimeout(m_inactivityMs);
    const std::unique_ptr<QNetworkReply> reply(m_network.get(request));

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
    bool late = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        late = true;
        loop.quit();
    });
    if (!m_deadline.isForever())
        deadline.start(std::chrono::milliseconds(qMax<qint64>(0, m_deadline.remainingTime())));
    if (!reply->isFinished()) {
        m_loop = &loop;
        loop.exec(m_takeInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        m_loop = nullptr;
    }
    stopped = stopped || late || m_cancelled;
    if (!stopped)
        readBody();
    if (failure)
        std::rethrow_exception(failure);
    response.transferred = !stopped && reply->error() == QNetworkReply::NoError;
    return response;
}
