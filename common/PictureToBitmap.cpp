#include "common/PictureToBitmap.h"

#include "common/BitmapCheck.h"
#include "common/Failure.h"

#include <QBuffer>
#include <QDir>
#include <QImage>

QByteArray pictureAsBitmap(const QByteArray &bytes, const QString &fileName)
{
    const QImage image = QImage::fromData(bytes);
    if (image.isNull())
        throw Failure(QStringLiteral("Файлът „%1“ не е картина, която може да бъде прочетена.")
                          .arg(QDir::toNativeSeparators(fileName)));
    if (isBitmap(bytes))
        return bytes;
    QByteArray stored;
    QBuffer buffer(&stored);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        throw Failure(QStringLiteral("Картината „%1“ не може да бъде запазена като растерно изображение.")
                          .arg(QDir::toNativeSeparators(fileName)));
    return stored;
}
