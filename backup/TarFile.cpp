#include "backup/TarFile.h"

#include "common/Failure.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <cstring>

namespace TarFile {

namespace {

constexpr qint64 Block = 512;
constexpr qint64 Chunk = 1 << 20;

void putOctal(char *field, int width, qint64 value)
{
    // width - 1 octal digits and a NUL, as POSIX writes them.
    const QByteArray digits = QByteArray::number(value, 8).rightJustified(width - 1, '0');
    std::memcpy(field, digits.constData(), size_t(width - 1));
    field[width - 1] = '\0';
}

qint64 readOctal(const char *field, int width)
{
    qint64 value = 0;
    for (int i = 0; i < width && field[i] != '\0' && field[i] != ' '; ++i) {
        if (field[i] < '0' || field[i] > '7')
            return -1;
        value = value * 8 + (field[i] - '0');
    }
    return value;
}

unsigned checksum(const char *header)
{
    unsigned sum = 0;
    for (int i = 0; i < Block; ++i)
        sum += (i >= 148 && i < 156) ? unsigned(' ') : static_cast<unsigned char>(header[i]);
    return sum;
}

QByteArray header(const QString &name, qint64 size)
{
    QByteArray block(Block, '\0');
    const QByteArray path = name.toUtf8();
    QByteArray prefix;
    QByteArray rest = path;
    if (path.size() > 100) {
        // The ustar way for a long name: the folders in the prefix field.
        const qsizetype slash = path.lastIndexOf('/', 155);
        if (slash <= 0 || path.size() - slash - 1 > 100)
            throw Failure(QStringLiteral("Името „%1“ е твърде дълго за резервното копие.").arg(name));
        prefix = path.left(slash);
        rest = path.mid(slash + 1);
    }
    char *h = block.data();
    std::memcpy(h, rest.constData(), size_t(rest.size()));
    putOctal(h + 100, 8, 0600);
    putOctal(h + 108, 8, 0);
    putOctal(h + 116, 8, 0);
    putOctal(h + 124, 12, size);
    putOctal(h + 136, 12, 0);
    h[156] = '0';
    std::memcpy(h + 257, "ustar", 6);
    std::memcpy(h + 263, "00", 2);
    std::memcpy(h + 345, prefix.constData(), size_t(prefix.size()));
    const QByteArray sum = QByteArray::number(checksum(h), 8).rightJustified(6, '0');
    std::memcpy(h + 148, sum.constData(), 6);
    h[154] = '\0';
    h[155] = ' ';
    return block;
}

} // namespace

void Writer::write(const char *data, qint64 size)
{
    if (m_device.write(data, size) != size)
        throw Failure(QStringLiteral("Резервното копие не може да бъде записано: %1").arg(m_device.errorString()));
}

QByteArray Writer::add(const QString &name, QIODevice &source, qint64 size)
{
    const QByteArray head = header(name, size);
    write(head.constData(), Block);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (qint64 left = size; left > 0;) {
        const QByteArray chunk = source.read(std::min(left, Chunk));
        if (chunk.isEmpty())
            throw Failure(QStringLiteral("Файлът „%1“ не може да бъде прочетен докрай.").arg(name));
        hash.addData(chunk);
        write(chunk.constData(), chunk.size());
        left -= chunk.size();
    }
    const QByteArray padding((Block - size % Block) % Block, '\0');
    write(padding.constData(), padding.size());
    return hash.result().toHex();
}

QByteArray Writer::add(const QString &name, const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer source(&copy);
    source.open(QIODevice::ReadOnly);
    return add(name, source, bytes.size());
}

void Writer::finish()
{
    const QByteArray end(2 * Block, '\0');
    write(end.constData(), end.size());
}

Read read(QIODevice &device,
          const std::function<void(const QString &, qint64, const std::function<QByteArray(qint64)> &)> &entry)
{
    Read result;
    for (;;) {
        const QByteArray block = device.read(Block);
        if (block.size() != Block)
            return result;
        if (block.count('\0') == Block)
            break;  // the end: the first of the two empty blocks
        const char *h = block.constData();
        const qint64 size = readOctal(h + 124, 12);
        if (std::memcmp(h + 257, "ustar", 5) != 0 || readOctal(h + 148, 8) != qint64(checksum(h)) || size < 0)
            return result;
        const QByteArray prefix(h + 345, qsizetype(qstrnlen(h + 345, 155)));
        const QByteArray rest(h, qsizetype(qstrnlen(h, 100)));
        const QString name = QString::fromUtf8(prefix.isEmpty() ? rest : prefix + '/' + rest);
        qint64 left = size;
        const std::function<QByteArray(qint64)> next = [&](qint64 most) {
            const QByteArray chunk = device.read(std::min(left, most));
            left -= chunk.size();
            return chunk;
        };
        entry(name, size, next);
        while (left > 0) {
            if (next(Chunk).isEmpty())
                return result;
        }
        const qint64 padding = (Block - size % Block) % Block;
        if (device.read(padding).size() != padding)
            return result;
        result.lastEntry = name;
    }
    result.whole = true;
    return result;
}

} // namespace TarFile
