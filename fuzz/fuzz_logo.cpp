// The logo's bitmap check: the logo column keeps Windows bitmaps only, judged
// by their header. Checked: whatever it accepts begins with "BM" and its
// pixel data starts inside the bytes, and Qt's reader, which the logo box
// then uses, comes through it; a bitmap Qt writes is accepted, and cut short
// before its pixels it is not. (Qt's reader itself is laxer: it reads a
// picture whose pixels lie past the end of the bytes.)
#include "common/BitmapCheck.h"
#include "fuzz/FuzzInput.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool accepted = isBitmap(bytes);
    if (accepted) {
        FUZZ_REQUIRE(bytes.startsWith("BM") && bytes.size() >= 26);
        FUZZ_REQUIRE(qFromLittleEndian<quint32>(bytes.constData() + 10) <= quint32(bytes.size()));
    }
    if (accepted)
        (void)QImage::fromData(bytes);

    // The fuzzer's first bytes as the pixels of a small picture Qt writes.
    const int width = 1 + int(size % 17);
    const int height = 1 + int(size / 17 % 13);
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, size ? 0xff000000u | data[(y * width + x) % size] * 0x010203u : 0xff000000u);
    QByteArray written;
    QBuffer buffer(&written);
    FUZZ_REQUIRE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "BMP"));
    FUZZ_REQUIRE(isBitmap(written));
    FUZZ_REQUIRE(!isBitmap(written.left(qFromLittleEndian<quint32>(written.constData() + 10) - 1)));
    return 0;
}
