#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Pixels to be stored as a Windows bitmap, rows from the top down. An 8-bit
// picture holds one palette index a pixel and its palette; a 24- or 32-bit
// picture holds one 32-bit word 0xAARRGGBB a pixel in the machine's byte
// order (the alpha byte is not stored).
struct BitmapPixels {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 8;  // 8, 24 or 32
    const uchar *bits = nullptr;
    qsizetype bytesPerLine = 0;
    QList<quint32> palette;  // 0xAARRGGBB, 8-bit only
};

// The bytes of a Windows BMP file (BITMAPFILEHEADER, BITMAPINFOHEADER,
// palette, rows from the bottom up padded to four bytes) with exactly the
// depth asked for: 8 bits with a palette of 256 entries, 24 or 32 bits.
//
// Written by hand because Qt's BMP writer writes no 32-bit files and stores
// an 8-bit picture of 16 colours or fewer as a 4-bit one; one writer keeps
// the three depths in one layout.
QByteArray windowsBitmap(const BitmapPixels &pixels);

// What the user is told when a file of the print cannot be created: a
// Bulgarian explanation, then the toolkit's own text with the file's name.
QString cannotCreateFileMessage(const QString &path);

// Writes a file through a temporary file renamed over the old one, so that
// a crash leaves the old file or the whole new one. A folder that does not
// exist or refuses the file gives "Cannot create file " + its name.
void writeFileReplacing(const QString &path, const QByteArray &bytes);
