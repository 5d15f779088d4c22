#include "print/Bitmap.h"

#include "common/Failure.h"

#include <QDir>
#include <QSaveFile>
#include <QtEndian>
#include <cstring>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
constexpr int PaletteEntries = 256;
constexpr qint32 PixelsPerMetre = 3780;  // 96 dots per inch

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

qsizetype paddedRowSize(int width, int bitsPerPixel)
{
    return ((qsizetype(width) * bitsPerPixel + 31) / 32) * 4;
}

// Writes one row at `to`, which has room for rowSize bytes.
void writeRow(char *to, const BitmapPixels &pixels, int y, qsizetype rowSize)
{
    const uchar *line = pixels.bits + y * pixels.bytesPerLine;
    char *const start = to;
    if (pixels.bitsPerPixel == 8) {
        std::memcpy(to, line, size_t(pixels.width));
        to += pixels.width;
    } else {
        const bool alphaByte = pixels.bitsPerPixel == 32;
        for (int x = 0; x < pixels.width; ++x) {
            // A line need not start on a word boundary.
            const quint32 argb = qFromUnaligned<quint32>(line + 4 * x);
            *to++ = char(argb & 0xff);          // blue
            *to++ = char((argb >> 8) & 0xff);   // green
            *to++ = char((argb >> 16) & 0xff);  // red
            if (alphaByte)
                *to++ = char(0);
        }
    }
    std::memset(to, 0, size_t(rowSize - (to - start)));
}

} // namespace

QByteArray windowsBitmap(const BitmapPixels &pixels)
{
    const int depth = pixels.bitsPerPixel;
    if ((depth != 8 && depth != 24 && depth != 32) || pixels.width <= 0 || pixels.height <= 0
        || !pixels.bits || (depth == 8 && pixels.palette.size() > PaletteEntries))
        throw Failure(QStringLiteral("Картината не може да бъде записана като BMP файл."));
    const qsizetype rowSize = paddedRowSize(pixels.width, depth);
    const quint32 paletteSize = depth == 8 ? PaletteEntries * 4 : 0;
    const quint32 pixelOffset = FileHeaderSize + InfoHeaderSize + paletteSize;
    const qsizetype imageSize = rowSize * pixels.height;

    QByteArray out;
    out.reserve(pixelOffset + imageSize);
    // BITMAPFILEHEADER
    out.append("BM", 2);
    put32(out, quint32(pixelOffset + imageSize));
    put32(out, 0);
    put32(out, pixelOffset);
    // BITMAPINFOHEADER; a positive height: rows are stored from the bottom up.
    put32(out, InfoHeaderSize);
    put32(out, quint32(pixels.width));
    put32(out, quint32(pixels.height));
    put16(out, 1);
    put16(out, quint16(depth));
    put32(out, 0);  // BI_RGB
    put32(out, quint32(imageSize));
    put32(out, PixelsPerMetre);
    put32(out, PixelsPerMetre);
    put32(out, depth == 8 ? PaletteEntries : 0);
    put32(out, 0);
    if (depth == 8) {
        // RGBQUAD entries; unused entries stay black.
        for (int i = 0; i < PaletteEntries; ++i) {
            const quint32 argb = i < pixels.palette.size() ? pixels.palette[i] : 0;
            out.append(char(argb & 0xff));
            out.append(char((argb >> 8) & 0xff));
            out.append(char((argb >> 16) & 0xff));
            out.append(char(0));
        }
    }
    // The rows, written in place: a page is a million pixels.
    const qsizetype headerSize = out.size();
    out.resize(headerSize + imageSize);
    char *rows = out.data() + headerSize;
    for (int y = pixels.height - 1; y >= 0; --y, rows += rowSize)
        writeRow(rows, pixels, y, rowSize);
    return out;
}

QString cannotCreateFileMessage(const QString &path)
{
    return QStringLiteral("Файлът не може да бъде създаден: проверете дали папката му съществува и дали в нея "
                          "може да се пише.\nCannot create file ") +
           QDir::toNativeSeparators(path);
}

void writeFileReplacing(const QString &path, const QByteArray &bytes)
{
    // Unbuffered: a buffered QSaveFile writes its last block only in
    // commit(), which then puts the file in place even when that write
    // failed (a full disk), leaving it empty or cut short.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Failure(cannotCreateFileMessage(path));
    // The archive's pages show the buyer's personal data.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде записан: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
}
