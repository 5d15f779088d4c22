#include "update/Signature.h"

#ifdef BILVARO_HAVE_OPENSSL

#include <memory>
#include <openssl/evp.h>
#include <openssl/x509.h>

bool ed25519SignatureValid(const QByteArray &publicKey, const QByteArray &signature, QByteArrayView data)
{
    if (signature.size() != 64)
        return false;
    const auto *der = reinterpret_cast<const unsigned char *>(publicKey.constData());
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        d2i_PUBKEY(nullptr, &der, long(publicKey.size())), &EVP_PKEY_free);
    if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_ED25519)
        return false;
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    // Ed25519 signs the message itself: no digest, no streaming.
    return context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1
           && EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char *>(signature.constData()),
                               size_t(signature.size()),
                               reinterpret_cast<const unsigned char *>(data.data()), size_t(data.size()))
                  == 1;
}

#else

// Without a verifier no signature is good: a build that carries a key then
// refuses every download rather than installing one unchecked.
bool ed25519SignatureValid(const QByteArray &, const QByteArray &, QByteArrayView) { return false; }

#endif
