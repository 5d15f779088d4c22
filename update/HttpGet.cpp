#include "update/HttpGet.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <memory>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// Drops the user's input to every window but one while it lives.
class InputOnlyFor : public QObject {
public:
    explicit InputOnlyFor(QWidget *window) : m_window(window) { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!isUserInput(event->type()) || !elsewhere(receiver))
            return false;
        // A window asked to close stays open.
        event->ignore();
        return true;
    }

private:
    bool elsewhere(QObject *receiver) const
    {
        if (const auto *widget = qobject_cast<QWidget *>(receiver))
            return widget->window() != m_window;
        if (const auto *window = qobject_cast<QWindow *>(receiver))
            return window != m_window->windowHandle();
        return false;
    }


private:
    QWidget *m_window;
};

} // namespace

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
        if (m_inputWindow) {
            const InputOnlyFor onlyThere(m_inputWindow);
            loop.exec();
        } else {
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        m_loop = nullptr;
    }
    stopped = stopped || late || m_cancelled;
    if (!stopped)
        readBody();
    response.transferred = !stopped && reply->error() == QNetworkReply::NoError;
    return response;
}
