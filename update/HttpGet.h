#pragma once

#include "update/UpdateRules.h"

#include <QByteArrayView>
#include <functional>

class QNetworkAccessManager;
class QUrl;

// One GET request run to its end before returning, as the update has always
// worked: meanwhile the event loop turns for repaints and the network but
// takes no user input. The request names the agent "Bilvaro Updater", goes
// past any cache to the server, and fails when nothing arrives for timeoutMs.
// Each block of the body (at most 1024 bytes) goes to `consume` as it
// arrives, with the response so far; consume returns false to stop.
HttpResponse httpGet(QNetworkAccessManager &network, const QUrl &url, int timeoutMs,
                     const std::function<bool(const HttpResponse &, QByteArrayView)> &consume);
