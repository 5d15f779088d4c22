#pragma once

#include <QByteArray>

// The Ed25519 key that signs releases, as the build embedded it into the
// running program (DER, as `openssl pkey -pubout -outform DER` writes it);
// empty in a program built without one, which installs no update.
QByteArray embeddedReleaseKey();

// The generated source of a program that embeds a key holds one of these
// (CMake's bilvaro_embed_release_key); a program without it has no key.
class ReleaseKeyEmbedding {
public:
    explicit ReleaseKeyEmbedding(const char *base64);
};
