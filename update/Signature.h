#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Whether `signature` is a valid Ed25519 signature of `data` under the public
// key (DER, as `openssl pkey -pubout -outform DER` writes it). This is the one
// place that knows the cryptography library: a build without OpenSSL puts
// its own verifier here.
bool ed25519SignatureValid(const QByteArray &publicKey, const QByteArray &signature, QByteArrayView data);
