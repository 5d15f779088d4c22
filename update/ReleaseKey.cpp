#include "update/ReleaseKey.h"

namespace {

// Constant-initialised, so set before any other start-up code may read it.
const char *embeddedBase64 = nullptr;

} // namespace

ReleaseKeyEmbedding::ReleaseKeyEmbedding(const char *base64) { embeddedBase64 = base64; }

QByteArray embeddedReleaseKey()
{
    return embeddedBase64 ? QByteArray::fromBase64(embeddedBase64) : QByteArray();
}
