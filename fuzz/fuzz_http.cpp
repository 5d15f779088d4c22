// The update's request run against a server on 127.0.0.1 that answers with
// the fuzzer's status code, Content-Length text, one more header and body,
// then closes. Checked: an answer taken as whole came with a success status
// and is exactly the first Content-Length bytes the server sent; a plain
// length no longer than the body sent with a success status and well-formed
// headers is taken whole; what the request hands on never exceeds what was
// sent.
#include "fuzz/FuzzInput.h"
#include "update/HttpGet.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

QByteArray oneLine(QByteArray text)
{
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    return text;
}

struct Server {
    Server()
    {
        static int argc = 1;
        static char name[] = "fuzz_http";
        static char *argv[] = {name, nullptr};
        application = new QCoreApplication(argc, argv);
        listener = new QTcpServer;
        listener->listen(QHostAddress::LocalHost);
        QObject::connect(listener, &QTcpServer::newConnection, listener, [this] {
            while (QTcpSocket *socket = listener->nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    if (socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    socket->write(answer);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QCoreApplication *application;
    QTcpServer *listener;
    QByteArray answer;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Server *server = new Server;  // one for the whole run
    FuzzBytes bytes(data, size);
    const int status = int(bytes.number(2) % 1000);
    const int lengthKind = int(bytes.number(1) % 3);  // none, a plain number, any text
    const int plainLength = int(bytes.number(2) % 2048);
    const QByteArray lengthText = lengthKind == 1 ? QByteArray::number(plainLength) : oneLine(bytes.piece(24));
    const QByteArray header = oneLine(bytes.piece(64));
    const QByteArray body = bytes.rest();

    server->answer = "HTTP/1.1 " + QByteArray::number(status) + " X\r\n";
    if (lengthKind != 0)
        server->answer += "Content-Length: " + lengthText + "\r\n";
    server->answer += "X-Fuzz: " + header + "\r\nConnection: close\r\n\r\n" + body;

    QByteArray received;
    HttpGet http(5000, QDeadlineTimer(10000));
    const HttpResponse response =
        http.get(QUrl(QStringLiteral("http://127.0.0.1:%1/f").arg(server->listener->serverPort())),
                 [&received](const HttpResponse &, QByteArrayView block) {
                     received += block;
                     return true;
                 });
    // The server's closed sockets go now, not at an event loop that never comes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FUZZ_REQUIRE(received.size() == response.received);
    FUZZ_REQUIRE(body.startsWith(received));
    const bool success = status >= 200 && status <= 299;
    if (isCompleteDownload(response)) {
        FUZZ_REQUIRE(success && lengthKind != 0 && response.status == status);
        FUZZ_REQUIRE(received.size() == *response.contentLength);
    }
    // A NUL inside a header makes the answer malformed (RFC 9110), and libcurl refuses it.
    const bool wellFormed = !header.contains('\0');
    if (success && wellFormed && lengthKind == 1 && plainLength <= body.size() && status != 204 && status != 205)
        FUZZ_REQUIRE(isCompleteDownload(response) && received == body.left(plainLength));
    return 0;
}
