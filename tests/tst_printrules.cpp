// The archive file names, the page margin, the depth choice, the number
// written back, and the archive image read back as a real Windows bitmap.

#include "common/Failure.h"
#include "print/Bitmap.h"
#include "print/PagePicture.h"
#include "print/PrintRules.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

const QString Folder = QStringLiteral("C:\\Program Files\\Bilvaro 2007\\DB\\");

// A little-endian field of a BMP header.
quint32 headerField(const QByteArray &file, int offset, int size)
{
    return size == 2 ? qFromLittleEndian<quint16>(file.constData() + offset)
                     : qFromLittleEndian<quint32>(file.constData() + offset);
}

// A page-like picture: white, black text-like strokes and a colour band of
// more than 256 colours, on an odd width so that every row needs padding.
QImage samplePage(int width, int height)
{
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (y < height / 3)
                page.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
            else if ((x / 3 + y / 5) % 7 == 0)
                page.setPixel(x, y, qRgb(0, 0, 0));
        }
    return page;
}

} // namespace

class tst_PrintRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void archiveFileName_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("firm");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("invoice original") << "ФАКТУРА" << 1 << "Оригинал" << "InvFirm1_0000000012_.bmp";
        QTest::newRow("invoice copy") << "ФАКТУРА" << 1 << "Копие" << "InvFirm1_0000000012_copy.bmp";
        QTest::newRow("proforma original") << "ПРОФОРМА ФАКТУРА" << 1 << "Оригинал" << "ProformFirm1_0000000012_.bmp";
        QTest::newRow("proforma copy") << "ПРОФОРМА ФАКТУРА" << 12 << "Копие" << "ProformFirm12_0000000012_copy.bmp";
        QTest::newRow("record 12") << "ФАКТУРА" << 12 << "Оригинал" << "InvFirm12_0000000012_.bmp";
        QTest::newRow("other kind text") << "проформа фактура" << 3 << "Копие" << "InvFirm3_0000000012_copy.bmp";
    }
    void archiveFileName()
    {
        QFETCH(QString, kind);
        QFETCH(int, firm);
        QFETCH(QString, mode);
        QFETCH(QString, expected);
        const QString name = PrintRules::archiveFileName(Folder, kind, firm, QStringLiteral("0000000012"), mode);
        QCOMPARE(name, Folder + expected);
        QCOMPARE(PrintRules::pdfCopyFileName(name), Folder + expected.chopped(4) + QStringLiteral(".pdf"));
        QCOMPARE(PrintRules::numberColumn(kind),
                 expected.startsWith(u'P') ? QStringLiteral("Проформа №") : QStringLiteral("Фактура №"));
    }

    void pagePlacement_data()
    {
        QTest::addColumn<int>("pageWidth");
        QTest::addColumn<int>("left");
        QTest::newRow("A4 at 600 dpi") << 4961 << 49;
        QTest::newRow("hundred") << 100 << 1;
        QTest::newRow("just below") << 199 << 1;
        QTest::newRow("narrow") << 99 << 0;
    }
    void pagePlacement()
    {
        QFETCH(int, pageWidth);
        QFETCH(int, left);
        QCOMPARE(PrintRules::leftMargin(pageWidth), left);
    }

    void depthChoice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("depth");
        QTest::newRow("8") << "8 бита цвят" << 8;
        QTest::newRow("24") << "24 бита цвят" << 24;
        QTest::newRow("32") << "32 бита цвят" << 32;
        QTest::newRow("typed") << "24 бита" << 8;
        QTest::newRow("empty") << "" << 8;
    }
    void depthChoice()
    {
        QFETCH(QString, text);
        QFETCH(int, depth);
        QCOMPARE(PrintRules::archiveDepth(text), depth);
    }

    void recordedNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");  // empty: refused
        QTest::newRow("ten digits") << "0000000042" << "0000000042";
        QTest::newRow("short") << "42" << "0000000042";
        QTest::newRow("twelve digits") << "123456789012" << "123456789012";
        QTest::newRow("not a number") << "00000abc42" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("negative") << "-5" << "";
    }
    void recordedNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        if (expected.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(Failure, PrintRules::recordedNumber(text));
            return;
        }
        QCOMPARE(PrintRules::recordedNumber(text), expected);
    }

    void archiveImage_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("fewColours");
        QTest::newRow("8 bits") << 8 << 859 << false;
        QTest::newRow("8 bits of two colours") << 8 << 859 << true;
        QTest::newRow("24 bits") << 24 << 859 << false;
        QTest::newRow("24 bits, width 858") << 24 << 858 << false;
        QTest::newRow("32 bits") << 32 << 859 << false;
    }
    void archiveImage()
    {
        QFETCH(int, depth);
        QFETCH(int, width);
        QFETCH(bool, fewColours);
        const int height = 1168;
        QImage page = samplePage(width, height);
        if (fewColours)
            page = page.copy(0, height / 2, width, height / 2).scaled(width, height);
        const QImage picture = archivePicture(page, depth);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("InvFirm1_0000000012_.bmp"));
        // A larger file of the same name is replaced, not overwritten in part.
        writeFileReplacing(path, QByteArray(8 * 1024 * 1024, 'x'));
        saveArchiveImage(picture, depth, path);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(headerField(bytes, 2, 4), quint32(bytes.size()));
        QCOMPARE(headerField(bytes, 18, 4), quint32(width));
        QCOMPARE(headerField(bytes, 22, 4), quint32(height));
        QCOMPARE(headerField(bytes, 28, 2), quint32(depth));
        QCOMPARE(headerField(bytes, 46, 4), quint32(depth == 8 ? 256 : 0));
        QCOMPARE(headerField(bytes, 10, 4), quint32(14 + 40 + (depth == 8 ? 1024 : 0)));

        // An ordinary reader sees the same picture, colour reduced.
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("bmp"));
        const QImage back = reader.read();
        QVERIFY2(!back.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(back.size(), QSize(width, height));
        const QImage expected = picture.convertToFormat(QImage::Format_RGB32);
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), expected);
        // Reduced to a palette first: at most 256 colours at every depth.
        QSet<QRgb> colours;
        for (int y = 0; y < height; y += 3)
            for (int x = 0; x < width; x += 3)
                colours.insert(expected.pixel(x, y));
        QVERIFY(colours.size() <= 256);
        QVERIFY(colours.size() >= (fewColours ? 2 : 100));
    }

    void missingFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("DB/InvFirm1_0000000012_.bmp"));
        try {
            writeFileReplacing(path, QByteArray("BM"));
            QFAIL("a file was written into a missing folder");
        } catch (const Failure &failure) {
            QVERIFY(failure.text().startsWith(QStringLiteral("Файлът не може да бъде създаден")));
            QVERIFY(failure.text().endsWith(QStringLiteral("\nCannot create file ") + QDir::toNativeSeparators(path)));
        }
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("DB"))));
    }
};

QTEST_MAIN(tst_PrintRules)
#include "tst_printrules.moc"
