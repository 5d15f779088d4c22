#pragma once

#include "update/UpdateRules.h"

#include <QByteArrayView>
#include <QDeadlineTimer>
#include <functional>

class QUrl;

// GET requests run to their end before returning, as the update has always
// worked: meanwhile the event loop turns for repaints. A request names the
// agent "Bilvaro Updater", goes to the server directly (no proxy, no cache)
// and follows its redirections, never from https:// to http://. It fails
// when nothing arrives for inactivityMs, and every request of this object
// fails once the deadline has passed, however slowly the server keeps
// sending.
//
// The requests are libcurl's, loaded for the first of them on Linux (the
// network is used by the update alone, so a start does not load a network
// library and what it loads in turn) and linked in on Windows.
class HttpGet {
public:
    HttpGet(int inactivityMs, QDeadlineTimer deadline);

    // Whether user input is taken while a request runs (for a cancel button:
    // the caller keeps it from the rest of the program); by default none is.
    void takeUserInput(bool take) { m_takeInput = take; }

    // Each block of the body (at most 1024 bytes) goes to `consume` as it
    // arrives, with the response so far; consume returns false to stop.
    HttpResponse get(const QUrl &url, const std::function<bool(const HttpResponse &, QByteArrayView)> &consume);

    // Ends the running request, and refuses any later one, as not transferred.
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }

private:
    int m_inactivityMs;
    QDeadlineTimer m_deadline;
    bool m_takeInput = false;
    bool m_cancelled = false;
};
