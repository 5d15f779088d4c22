#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Whether `signature` is a valid Ed25519 signature of `data` under the public
// key (DER, as `openssl pkey -pubout -outform DER` writes it). libsodium
// checks it, on every platform alike.
bool ed25519SignatureValid(const QByteArray &publicKey, const QByteArray &signature, QByteArrayView data);

// What a release's signature covers: this line with the release's version,
// then the program file, so that a signed build cannot be offered as another
// version than the one it was signed as.
QByteArray signedReleaseHead(const QString &version);

// Whether `signature` signs the program file `program` as the release of
// `version` (its head line followed by the file).
bool releaseSignatureValid(const QByteArray &publicKey, const QByteArray &signature, const QString &version,
                           QByteArrayView program);
