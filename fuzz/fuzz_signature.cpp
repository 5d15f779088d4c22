// The signature check of a download: any key, signature and data. A
// signature made with a real key verifies over its data and over nothing
// else: one changed bit in the data, the signature or the key fails it, as
// does any key or signature the fuzzer makes up.
#include "fuzz/FuzzInput.h"
#include "update/Signature.h"

#include <cstdlib>
#include <sodium.h>

namespace {

struct KeyPair {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    KeyPair()
    {
        if (sodium_init() < 0)
            std::abort();
        crypto_sign_keypair(publicKey, secretKey);
    }
    // The key as a DER SubjectPublicKeyInfo, as release keys are given.
    QByteArray publicDer() const
    {
        return QByteArray::fromHex("302a300506032b6570032100")
               + QByteArray(reinterpret_cast<const char *>(publicKey), sizeof publicKey);
    }
    QByteArray sign(const QByteArray &data) const
    {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char *>(data.constData()),
                             static_cast<unsigned long long>(data.size()), secretKey);
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
