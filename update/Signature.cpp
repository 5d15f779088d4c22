#include "update/Signature.h"

#include "common/LibraryOnDemand.h"

#include <sodium.h>

namespace {

// libsodium is loaded for the first check of an update, not at every start.
#define BILVARO_SODIUM_FUNCTIONS(F) F(sodium_init) F(crypto_sign_verify_detached)

struct Sodium {
    BILVARO_SODIUM_FUNCTIONS(BILVARO_FUNCTION_POINTER)
};

const Sodium &sodium()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Sodium loaded = BILVARO_LINKED_OR_LOADED(BILVARO_SODIUM_LINKED, Sodium, BILVARO_SODIUM_FUNCTIONS,
                                                          "libsodium", 23, "проверката на новата версия");
    return loaded;
}

// An Ed25519 key in DER is this fixed header followed by the 32 bytes of
// the key itself (RFC 8410).
const QByteArray Ed25519KeyHeader = QByteArray::fromHex("302a300506032b6570032100");

} // namespace

bool ed25519SignatureValid(const QByteArray &publicKey, const QByteArray &signature, QByteArrayView data)
{
    if (signature.size() != crypto_sign_BYTES
        || publicKey.size() != Ed25519KeyHeader.size() + crypto_sign_PUBLICKEYBYTES
        || !publicKey.startsWith(Ed25519KeyHeader) || sodium().sodium_init() < 0)
        return false;
    const auto *key = reinterpret_cast<const unsigned char *>(publicKey.constData()) + Ed25519KeyHeader.size();
    return sodium().crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature.constData()),
                                                reinterpret_cast<const unsigned char *>(data.data()),
                                                static_cast<unsigned long long>(data.size()), key)
           == 0;
}

QByteArray signedReleaseHead(const QString &version)
{
    return QByteArrayLiteral("Bilvaro2007 ") + version.toLatin1() + '\n';
}

bool releaseSignatureValid(const QByteArray &publicKey, const QByteArray &signature, const QString &version,
                           QByteArrayView program)
{
    // Ed25519 signs one message whole: the head and the file in one buffer.
    QByteArray message = signedReleaseHead(version);
    message.append(program);
    return ed25519SignatureValid(publicKey, signature, message);
}
