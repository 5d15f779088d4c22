#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Whether `signature` is a valid Ed25519 signature of `data` under the public
// key (DER, as `openssl pkey -pubout -outform DER` writes it). libsodium
// checks it, on every platform alike.
bool ed25519SignatureValid(const QByteArray &publicKey, const QByteArray &signature, QByteArrayView data);
