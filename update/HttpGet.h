#pragma once

#include "update/UpdateRules.h"

#include <QByteArrayView>
#include <QDeadlineTimer>
#include <functional>

class QEventLoop;
class QNetworkAccessManager;
class QUrl;

// GET requests run to their end before returning, as the update has always
// worked: meanwhile the event loop turns for repaints and the network. A
// request names the agent "Bilvaro Updater" and goes past any cache to the
// server. It fails when nothing arrives for inactivityMs, and every request
// of this object fails once the deadline has passed, however slowly the
// server keeps sending.
class HttpGet {
public:
    HttpGet(QNetworkAccessManager &network, int inactivityMs, QDeadlineTimer deadline);

    // Whether user input is taken while a request runs (for a cancel button:
    // the caller keeps it from the rest of the program); by default none is.
    void takeUserInput(bool take) { m_takeInput = take; }

    // Each block of the body (at most 1024 bytes) goes to `consume` as it
    // arrives, with the response so far; consume returns false to stop.
    HttpResponse get(const QUrl &url, const std::function<bool(const HttpResponse &, QByteArrayView)> &consume);

    // Ends the running request, and refuses any later one, as not transferred.
    void cancel();
    bool cancelled() const { return m_cancelled; }

private:
    QNetworkAccessManager &m_network;
    int m_inactivityMs;
    QDeadlineTimer m_deadline;
    bool m_takeInput = false;
    QEventLoop *m_loop = nullptr;
    bool m_cancelled = false;
};
