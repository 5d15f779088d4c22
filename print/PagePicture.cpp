#include "print/PagePicture.h"

#include "common/Failure.h"
#include "print/Bitmap.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QWidget>
#include <algorithm>

QImage capturePage(QWidget *page)
{
    QImage picture(page->size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    page->render(&picture, QPoint(0, 0), QRegion(),
                 QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return picture;
}

QImage archivePicture(const QImage &captured, int depth)
{
    QImage reduced = captured.convertToFormat(QImage::Format_Indexed8);
    if (depth != 8)
        return reduced.convertToFormat(QImage::Format_RGB32);
    reduced.setColorCount(256);
    return reduced;
}

void saveArchiveImage(const QImage &picture, int depth, const QString &path)
{
    const QImage pixels = depth == 8 ? picture.convertToFormat(QImage::Format_Indexed8)
                                     : picture.convertToFormat(QImage::Format_RGB32);
    BitmapPixels source;
    source.width = pixels.width();
    source.height = pixels.height();
    source.bitsPerPixel = depth;
    source.bits = pixels.constBits();
    source.bytesPerLine = pixels.bytesPerLine();
    if (depth == 8) {
        const QList<QRgb> colours = pixels.colorTable();
        source.palette = QList<quint32>(colours.begin(), colours.end());
    }
    writeFileReplacing(path, windowsBitmap(source));
}

void savePdfCopy(QWidget *page, const QString &path, const PrintRules::PdfInfo &info)
{
    // Made in memory and written as one file, as the archive image is.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        if (info.title.isEmpty()) {
            writer.setTitle(QFileInfo(path).completeBaseName());
        } else {
            writer.setTitle(info.title);
            writer.setDocumentXmpMetadata(PrintRules::pdfXmp(info));
        }
        writer.setCreator(QStringLiteral("BILVARO 2007"));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Failure(cannotCreateFileMessage(path));
        const QRect area = painter.viewport();
        const double scale = std::min(double(area.width()) / page->width(), double(area.height()) / page->height());
        painter.translate((area.width() - page->width() * scale) / 2, 0);
        painter.scale(scale, scale);
        page->render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.end();
    }
    writeFileReplacing(path, pdf);
}

void printStretched(QPrinter &printer, const QImage &picture, const QRect &target)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw Failure(QStringLiteral("Принтерът „%1“ не приема документа.").arg(printer.printerName()));
    painter.drawImage(target, picture);
    painter.end();
}
