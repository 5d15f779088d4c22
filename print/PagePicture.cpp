#include "print/PagePicture.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "platform/Printers.h"
#include "print/Bitmap.h"
#include "print/PrintRules.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>

QImage capturePage(QWidget *page)
{
    QImage picture(page->size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    page->render(&picture, QPoint(0, 0), QRegion(),
                 QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return picture;
}

namespace {

// A palette of the page's own greys and colours, and the index of each.
// Written by hand: Qt reduces a picture of more than 256 colours to a fixed
// colour cube with error diffusion, which scatters coloured dots over the
// page's greys, and offers no palette that keeps them.
class PagePalette {
public:
    explicit PagePalette(const QImage &page)
    {
        std::array<qint64, 256> greyCount{};
        QHash<QRgb, int> colours;
        bool tooManyColours = false;
        for (int y = 0; y < page.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(page.constScanLine(y));
            for (int x = 0; x < page.width(); ++x) {
                const QRgb pixel = line[x] | 0xff000000u;
                if (isGrey(pixel))
                    ++greyCount[qRed(pixel)];
                else if (!tooManyColours && !colours.contains(pixel)) {
                    colours.insert(pixel, 0);
                    tooManyColours = colours.size() > 256;
                }
            }
        }
        QList<int> greys;
        for (int grey = 0; grey < 256; ++grey) {
            if (greyCount[grey] > 0)
                greys.append(grey);
        }
        std::stable_sort(greys.begin(), greys.end(), [&](int a, int b) { return greyCount[a] > greyCount[b]; });
        const bool exact = !tooManyColours && greys.size() + colours.size() <= 256;
        if (!exact) {
            // The rarest greys give way to a cube of at least three levels a channel.
            greys.resize(std::min<qsizetype>(greys.size(), 256 - 27));
            m_cube = 3;
            while (m_cube < 6 && (m_cube + 1) * (m_cube + 1) * (m_cube + 1) <= 256 - greys.size())
                ++m_cube;
        }
        for (int grey : greys)
            m_colours.append(qRgb(grey, grey, grey));
        for (int grey = 0; grey < 256; ++grey)
            m_greyIndex[grey] = nearestGrey(greys, grey);
        m_cubeStart = int(m_colours.size());
        if (exact) {
            for (auto it = colours.begin(); it != colours.end(); ++it) {
                it.value() = int(m_colours.size());
                m_colours.append(it.key());
            }
            m_exact = std::move(colours);
        } else {
            for (int r = 0; r < m_cube; ++r)
                for (int g = 0; g < m_cube; ++g)
                    for (int b = 0; b < m_cube; ++b)
                        m_colours.append(qRgb(level(r), level(g), level(b)));
        }
    }

    QList<QRgb> colours() const { return m_colours; }

    uchar index(QRgb pixel) const
    {
        pixel |= 0xff000000u;
        if (isGrey(pixel))
            return uchar(m_greyIndex[qRed(pixel)]);
        if (m_cube == 0)
            return uchar(m_exact.value(pixel));
        const auto step = [this](int channel) { return (channel * (m_cube - 1) + 127) / 255; };
        return uchar(m_cubeStart + (step(qRed(pixel)) * m_cube + step(qGreen(pixel))) * m_cube + step(qBlue(pixel)));
    }

private:
    static bool isGrey(QRgb pixel) { return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel); }
    int level(int step) const { return step * 255 / (m_cube - 1); }
    int nearestGrey(const QList<int> &greys, int grey) const
    {
        int best = 0;
        for (int i = 1; i < greys.size(); ++i) {
            if (std::abs(greys[i] - grey) < std::abs(greys[best] - grey))
                best = i;
        }
        return best;
    }

    QList<QRgb> m_colours;
    std::array<int, 256> m_greyIndex{};
    QHash<QRgb, int> m_exact;
    int m_cube = 0;  // levels a channel; 0 when every colour has its own entry
    int m_cubeStart = 0;
};

QImage reduceToPagePalette(const QImage &captured)
{
    const QImage page = captured.convertToFormat(QImage::Format_RGB32);
    const PagePalette palette(page);
    QImage reduced(page.size(), QImage::Format_Indexed8);
    reduced.setColorTable(palette.colours());
    for (int y = 0; y < page.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        uchar *out = reduced.scanLine(y);
        for (int x = 0; x < page.width(); ++x)
            out[x] = palette.index(line[x]);
    }
    return reduced;
}

} // namespace

QImage archivePicture(const QImage &captured, int depth)
{
    QImage reduced = reduceToPagePalette(captured);
    if (depth != 8)
        return reduced.convertToFormat(QImage::Format_RGB32);
    reduced.setColorCount(256);
    return reduced;
}

QByteArray archiveImageBytes(const QImage &picture, int depth)
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
    return windowsBitmap(source);
}

void saveArchiveImage(const QImage &picture, int depth, const QString &path)
{
    writeFileReplacing(path, archiveImageBytes(picture, depth));
}

QByteArray pdfCopyBytes(QWidget *page, const QString &title, const PrintRules::PdfInfo &info)
{
    // Made in memory and written as one file, as the archive image is.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        if (info.title.isEmpty()) {
            writer.setTitle(title);
        } else {
            writer.setTitle(info.title);
            writer.setDocumentXmpMetadata(PrintRules::pdfXmp(info));
        }
        writer.setCreator(QStringLiteral("BILVARO 2007"));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Failure(cannotCreateFileMessage(title + QStringLiteral(".pdf")));
        const QRect area = painter.viewport();
        const double scale = std::min(double(area.width()) / page->width(), double(area.height()) / page->height());
        painter.translate((area.width() - page->width() * scale) / 2, 0);
        painter.scale(scale, scale);
        page->render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.end();
    }
    return pdf;
}

void savePdfCopy(QWidget *page, const QString &path, const PrintRules::PdfInfo &info)
{
    writeFileReplacing(path, pdfCopyBytes(page, QFileInfo(path).completeBaseName(), info));
}

void printStretched(QPrinter &printer, const QImage &picture, const QRect &target)
{
    // A printer that writes a file is named by its file.
    const QString name = printer.printerName().isEmpty() ? QDir::toNativeSeparators(printer.outputFileName())
                                                         : printer.printerName();
    QPainter painter;
    if (!painter.begin(&printer))
        throw Failure(PrintRules::printRefusedMessage(name, printJobRefusal(printer)));
    painter.drawImage(target, picture);
    // Ending the painter hands the job to the print system.
    const bool ended = painter.end();
    const QString refusal = printJobRefusal(printer);
    if (!ended || printer.printerState() == QPrinter::Error || !refusal.isEmpty()) {
        // Kept on the standard error output as well, for whoever looks after the printer.
        qCWarning(lcPrint) << "the print system refused the job on" << name << ":" << refusal;
        throw Failure(PrintRules::printRefusedMessage(name, refusal));
    }
}
