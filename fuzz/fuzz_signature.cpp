// The signature check of a download: any key, signature and data. A
// signature made with a real key verifies over its data and over nothing
// else: one changed bit in the data, the signature or the key fails it, as
// does any key or signature the fuzzer makes up.
#include "fuzz/FuzzInput.h"
#include "update/Signature.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace {

struct KeyPair {
    EVP_PKEY *key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    QByteArray publicDer() const
    {
        unsigned char *der = nullptr;
        const int length = i2d_PUBKEY(key, &der);
        const QByteArray bytes(reinterpret_cast<const char *>(der), length);
        OPENSSL_free(der);
        return bytes;
    }
    QByteArray sign(const QByteArray &data) const
    {
        EVP_MD_CTX *context = EVP_MD_CTX_new();
        QByteArray signature(64, '\0');
        size_t length = 64;
        EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key);
        EVP_DigestSign(context, reinterpret_cast<unsigned char *>(signature.data()), &length,
                       reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size()));
        EVP_MD_CTX_free(context);
        return signature;
    }
};

const KeyPair &keyPair()
{
    static const KeyPair pair;  // one for the whole run
    return pair;
}

QByteArray flipped(QByteArray bytes, std::uint64_t bit)
{
    if (!bytes.isEmpty()) {
        const qsizetype at = qsizetype(bit / 8 % std::uint64_t(bytes.size()));
        bytes[at] = char(bytes[at] ^ (1 << (bit % 8)));
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes bytes(data, size);
    const std::uint64_t bit = bytes.number(4);
    const QByteArray madeUpKey = bytes.piece(128);
    const QByteArray madeUpSignature = bytes.piece(96);
    const QByteArray message = bytes.rest();

    const QByteArray key = keyPair().publicDer();
    const QByteArray signature = keyPair().sign(message);
    FUZZ_REQUIRE(ed25519SignatureValid(key, signature, message));
    FUZZ_REQUIRE(!ed25519SignatureValid(key, flipped(signature, bit), message));
    FUZZ_REQUIRE(!ed25519SignatureValid(flipped(key, bit), signature, message));
    if (!message.isEmpty())
        FUZZ_REQUIRE(!ed25519SignatureValid(key, signature, flipped(message, bit)));
    FUZZ_REQUIRE(!ed25519SignatureValid(key, signature.left(63), message));
    FUZZ_REQUIRE(!ed25519SignatureValid(key, signature + '\0', message));
    // A made-up signature under the real key, a made-up key with anything.
    if (madeUpSignature != signature)
        FUZZ_REQUIRE(!ed25519SignatureValid(key, madeUpSignature, message));
    (void)ed25519SignatureValid(madeUpKey, madeUpSignature, message);
    (void)ed25519SignatureValid(madeUpKey, signature, message);
    return 0;
}
