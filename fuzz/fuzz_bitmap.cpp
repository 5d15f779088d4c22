// The BMP writer of the archive image, given odd sizes, odd line strides,
// short palettes and every depth. Checked: what it writes is read back by
// Qt's BMP reader as a picture of the same size with the same colours; the
// file size in the header is the file's; a depth, size or palette it cannot
// write fails with a message and writes nothing.
#include "common/Failure.h"
#include "fuzz/FuzzInput.h"
#include "print/Bitmap.h"

#include <QImage>
#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes bytes(data, size);
    const int depths[] = {8, 24, 32, 8, 24, 32, 1, 16};
    const int depth = depths[bytes.number(1) % 8];
    const int width = int(bytes.number(1) % 70);  // 0 must fail
    const int height = int(bytes.number(1) % 40);
    const int pixelBytes = depth == 8 ? 1 : 4;
    const qsizetype stride = qsizetype(width) * pixelBytes + qsizetype(bytes.number(1) % 9);
    QList<quint32> palette(qsizetype(bytes.number(2) % 262));
    for (quint32 &colour : palette)
        colour = quint32(bytes.number(3));
    const QByteArray seed = bytes.rest();
    QByteArray pixels(stride * height, '\0');
    for (qsizetype i = 0; i < pixels.size() && !seed.isEmpty(); ++i)
        pixels[i] = seed[i % seed.size()];

    BitmapPixels source;
    source.width = width;
    source.height = height;
    source.bitsPerPixel = depth;
    source.bits = reinterpret_cast<const uchar *>(pixels.constData());
    source.bytesPerLine = stride;
    source.palette = palette;
    const bool writable = (depth == 8 || depth == 24 || depth == 32) && width > 0 && height > 0
                          && !(depth == 8 && palette.size() > 256);
    QByteArray file;
    try {
        file = windowsBitmap(source);
    } catch (const Failure &failure) {
        FUZZ_REQUIRE(!writable && !failure.text().isEmpty());
        return 0;
    }
    FUZZ_REQUIRE(writable);
    FUZZ_REQUIRE(qFromLittleEndian<quint32>(file.constData() + 2) == quint32(file.size()));
    FUZZ_REQUIRE(qFromLittleEndian<quint16>(file.constData() + 28) == depth);

    const QImage read = QImage::fromData(file, "BMP");
    FUZZ_REQUIRE(read.width() == width && read.height() == height);
    for (int y = 0; y < height; ++y) {
        const uchar *line = source.bits + y * stride;
        for (int x = 0; x < width; ++x) {
            quint32 colour = 0;
            if (depth == 8)
                colour = line[x] < palette.size() ? palette[line[x]] : 0;
            else
                colour = qFromUnaligned<quint32>(line + 4 * x);
            FUZZ_REQUIRE((read.pixel(x, y) & 0xffffff) == (colour & 0xffffff));
        }
    }
    return 0;
}
