#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// How the program reaches its update server.
struct UpdateSettings {
    // Scheme, host, port and any path in front of the server's update
    // folder; empty: this installation has no update server.
    QString baseAddress;
    // The Ed25519 key that signs releases (DER, as `openssl pkey -pubout
    // -outform DER` writes it); empty: every update is refused.
    QByteArray publicKey;
    // A transfer that receives nothing for this long fails.
    int transferTimeoutMs = 30000;
    // The whole version check, and the whole download of the program with
    // its signature, fail once they take this long.
    int checkDeadlineMs = 60000;
    int downloadDeadlineMs = 600000;
    // A program announced as longer than this is refused before anything of
    // it is written.
    qint64 maxProgramBytes = 0;
};

// The settings the build carries (the address of the build, the key of the
// running program), with BILVARO_UPDATE_URL in place of the base address when
// it is set; a new program may be ten times as long as the running one.
UpdateSettings buildUpdateSettings();

// The base address's version file and program file.
QString versionFileAddress(const QString &baseAddress);
QString downloadAddress(const QString &baseAddress, const QString &executableName);
// A failure when there is no base address or it is not an http:// or
// https:// address.
void checkBaseAddress(const QString &baseAddress);
// A failure when there is no release key to check a download against.
void checkReleaseKey(const QByteArray &publicKey);

// What came back for one request.
struct HttpResponse {
    // The body arrived to its end without a failure of the network.
    bool transferred = false;
    // The HTTP status; 0 when no answer came at all.
    int status = 0;
    std::optional<qint64> contentLength;
    qint64 received = 0;
};

bool isSuccessStatus(int status);

// The version text that a version file response gives: its body up to the
// first zero byte. Empty when no usable answer came (no server, no
// Content-Length, a broken transfer); a failure when the server answered with
// an error status.
QString versionAnswer(const HttpResponse &response, const QByteArray &body);

// Whether the remote build is newer than the local one. Only the last dotted
// part counts, as a number: 1.1.0.10 is newer than 1.1.0.9, 1.2.0.9 is not.
// A failure when either last part is not a whole number.
bool isNewerBuild(const QString &local, const QString &remote);

// Whether a download arrived whole: a success status and exactly the bytes
// its Content-Length announced.
bool isCompleteDownload(const HttpResponse &response);

// The update window's caption after `written` of `length` bytes, e.g. "6.8306%".
QString progressCaption(qint64 written, qint64 length);
