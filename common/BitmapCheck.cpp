#include "common/BitmapCheck.h"

bool isBitmap(const QByteArray &data)
{
    // "BM", then the file header (14 bytes) and the size of the info header
    // that follows, which is one of the sizes the BMP versions define.
    if (data.size() < 26 || !data.startsWith("BM"))
        return false;
    const auto byte = [&](int i) { return quint32(quint8(data[i])); };
    const quint32 infoSize = byte(14) | byte(15) << 8 | byte(16) << 16 | byte(17) << 24;
    const quint32 pixelsAt = byte(10) | byte(11) << 8 | byte(12) << 16 | byte(13) << 24;
    const bool knownInfo = infoSize == 12 || infoSize == 16 || infoSize == 40 || infoSize == 52
                           || infoSize == 56 || infoSize == 64 || infoSize == 108 || infoSize == 124;
    return knownInfo && pixelsAt >= 14 + infoSize && pixelsAt <= quint32(data.size());
}
