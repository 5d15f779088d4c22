// The archive file names and the archive that never replaces a file, the page margin, the depth choice, the number
// written back, and the archive image read back as a real Windows bitmap.

#include "common/Failure.h"
#include "print/ArchiveFiles.h"
#include "print/Bitmap.h"
#include "print/PagePicture.h"
#include "print/PrintRules.h"

#include <QImageReader>
#include <QPainter>
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

// Writes the files of an archive folder: name -> content.
void lay(const QString &folder, const QMap<QString, QByteArray> &files)
{
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QFile out(QDir(folder).filePath(file.key()));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.value());
    }
}

QMap<QString, QByteArray> folderFiles(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

using Files = QMap<QString, QByteArray>;

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

    // A number that is not digits only never becomes part of a file name.
    void archiveFileNameRefusesOtherNumbers_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("parent folder") << "..";
        QTest::newRow("up and out") << "..\\..\\Windows\\0000000042";
        QTest::newRow("slash") << "42/43";
        QTest::newRow("colon") << "C:42";
        QTest::newRow("blank") << " 42";
        QTest::newRow("empty") << "";
    }
    void archiveFileNameRefusesOtherNumbers()
    {
        QFETCH(QString, number);
        QVERIFY_THROWS_EXCEPTION(Failure, PrintRules::archiveFileName(Folder, QStringLiteral("ФАКТУРА"), 1, number,
                                                                      PrintRules::Original));
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

    // The 8-bit reduction scatters no colour over the page's greys: white,
    // black and the grey of the fields stay exact, and so does every other
    // grey while the page's colours fit beside them; otherwise the rarest
    // greys go to a neighbour.
    void reductionKeepsThePagesGreys_data()
    {
        QTest::addColumn<bool>("colourPicture");
        QTest::newRow("greys only") << false;
        QTest::newRow("greys and a colour picture") << true;
    }
    void reductionKeepsThePagesGreys()
    {
        QFETCH(bool, colourPicture);
        QImage page(859, 400, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            painter.fillRect(20, 20, 300, 24, QColor(192, 192, 192));
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setFont(QFont(QStringLiteral("Arial"), 11));
            for (int line = 0; line < 12; ++line)
                painter.drawText(20, 80 + line * 24, QStringLiteral("Данъчна основа 122.72 € — фактура № 0000000042"));
            painter.drawEllipse(QPoint(600, 200), 120, 80);
        }
        if (colourPicture) {
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 200; ++x)
                    page.setPixel(650 + x, 280 + y, qRgb(x, y * 2, (x * y) % 256));
        }
        const QImage reduced = archivePicture(page, 8).convertToFormat(QImage::Format_RGB32);
        const auto isGrey = [](QRgb pixel) { return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel); };
        int greys = 0;
        QStringList changed;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (!isGrey(page.pixel(x, y)))
                    continue;
                ++greys;
                const QRgb before = page.pixel(x, y);
                const QRgb after = reduced.pixel(x, y);
                const bool exact = !colourPicture || before == qRgb(255, 255, 255) || before == qRgb(0, 0, 0)
                    || before == qRgb(192, 192, 192);
                const bool kept = exact ? after == before : isGrey(after) && std::abs(qRed(after) - qRed(before)) <= 2;
                if (!kept && changed.size() < 5)
                    changed << QStringLiteral("%1,%2: %3 → %4").arg(x).arg(y).arg(page.pixel(x, y), 0, 16)
                                   .arg(reduced.pixel(x, y), 0, 16);
            }
        }
        QVERIFY(greys > 300000);
        QVERIFY2(changed.isEmpty(), qPrintable(changed.join(QStringLiteral("; "))));
    }

    // Where a page of company 123456789 goes, given what the archive holds
    // and what other documents' register rows record.
    void archiveNames_data()
    {
        QTest::addColumn<Files>("there");
        QTest::addColumn<QStringList>("recordedByOthers");
        QTest::addColumn<QString>("companyKey");
        QTest::addColumn<QString>("chosen");
        const QString first = QStringLiteral("InvFirm1_0000000042_.bmp");
        const QString firstPdf = QStringLiteral("InvFirm1_0000000042_.pdf");
        const QString distinct = QStringLiteral("InvFirm1_0000000042__123456789.bmp");
        QTest::newRow("nothing there") << Files{} << QStringList{} << "123456789" << first;
        QTest::newRow("the same page there") << Files{{first, "page"}, {firstPdf, "old pdf"}} << QStringList{}
                                             << "123456789" << first;
        QTest::newRow("another picture there") << Files{{first, "other"}} << QStringList{} << "123456789" << distinct;
        QTest::newRow("only a PDF there") << Files{{firstPdf, "pdf"}} << QStringList{} << "123456789" << distinct;
        QTest::newRow("only an e-invoice there")
            << Files{{QStringLiteral("InvFirm1_0000000042_.xml"), "xml"}} << QStringList{} << "123456789" << distinct;
        QTest::newRow("the same bytes, another document's row")
            << Files{{first, "page"}} << QStringList{first} << "123456789" << distinct;
        QTest::newRow("no file, another document's row (its file gone)")
            << Files{} << QStringList{firstPdf} << "123456789" << distinct;
        QTest::newRow("the distinct name taken too")
            << Files{{first, "other"}, {distinct, "third"}} << QStringList{} << "123456789"
            << "InvFirm1_0000000042__123456789-2.bmp";
        QTest::newRow("a company without an ЕИК of digits")
            << Files{{first, "other"}} << QStringList{} << "Иван Петров ../.."
            << "InvFirm1_0000000042__N" + QString::fromLatin1(QCryptographicHash::hash(QByteArray("Иван Петров ../.."),
                                                                                        QCryptographicHash::Sha256)
                                                                  .toHex()
                                                                  .left(10))
                   + ".bmp";
    }
    void archiveNames()
    {
        QFETCH(Files, there);
        QFETCH(QStringList, recordedByOthers);
        QFETCH(QString, companyKey);
        QFETCH(QString, chosen);
        QTemporaryDir archive;
        lay(archive.path(), there);
        const auto taken = [&](const QString &path) { return recordedByOthers.contains(QFileInfo(path).fileName()); };
        const ArchiveNames names =
            chooseArchiveNames(QDir(archive.path()).filePath(QStringLiteral("InvFirm1_0000000042_.bmp")),
                               PrintRules::companyTag(companyKey), QByteArray("page"), taken);
        QCOMPARE(QFileInfo(names.image).fileName(), chosen);
        QCOMPARE(names.pdf, PrintRules::pdfCopyFileName(names.image));
        QCOMPARE(names.einvoice, names.pdf.chopped(4) + QStringLiteral(".xml"));
        QCOMPARE(QFileInfo(names.image).absolutePath(), QFileInfo(archive.path()).absoluteFilePath());
    }

    // What a write leaves in the archive: a file there is never replaced;
    // a failed print takes away only what it wrote.
    void archiveNeverReplaces_data()
    {
        QTest::addColumn<Files>("there");
        QTest::addColumn<bool>("rollBack");
        QTest::addColumn<QString>("refusedFile");  // empty: written
        QTest::addColumn<Files>("after");
        QTest::newRow("nothing there") << Files{} << false << ""
                                       << Files{{"p.bmp", "page"}, {"p.pdf", "pdf"}, {"p.xml", "xml"}};
        QTest::newRow("nothing there, print failed") << Files{} << true << "" << Files{};
        QTest::newRow("the same page, its PDF and e-invoice kept")
            << Files{{"p.bmp", "page"}, {"p.pdf", "old pdf"}, {"p.xml", "old xml"}} << false << ""
            << Files{{"p.bmp", "page"}, {"p.pdf", "old pdf"}, {"p.xml", "old xml"}};
        QTest::newRow("the same page, failed: nothing taken away")
            << Files{{"p.bmp", "page"}, {"p.pdf", "old pdf"}} << true << "" << Files{{"p.bmp", "page"}, {"p.pdf", "old pdf"}};
        QTest::newRow("the same page without its PDF") << Files{{"p.bmp", "page"}} << false << ""
                                                      << Files{{"p.bmp", "page"}, {"p.pdf", "pdf"}, {"p.xml", "xml"}};
        QTest::newRow("another picture") << Files{{"p.bmp", "other"}, {"p.pdf", "its pdf"}} << false << "p.bmp"
                                         << Files{{"p.bmp", "other"}, {"p.pdf", "its pdf"}};
        QTest::newRow("another document's PDF") << Files{{"p.pdf", "its pdf"}} << false << "p.pdf"
                                                << Files{{"p.pdf", "its pdf"}};
        QTest::newRow("another document's e-invoice") << Files{{"p.xml", "its xml"}} << false << "p.xml"
                                                      << Files{{"p.xml", "its xml"}};
    }
    void archiveNeverReplaces()
    {
        QFETCH(Files, there);
        QFETCH(bool, rollBack);
        QFETCH(QString, refusedFile);
        QFETCH(Files, after);
        QTemporaryDir archive;
        lay(archive.path(), there);
        const QDir folder(archive.path());
        ArchiveWrite write(folder.filePath(QStringLiteral("p.bmp")), folder.filePath(QStringLiteral("p.pdf")),
                           folder.filePath(QStringLiteral("p.xml")));
        try {
            write.write(QByteArray("page"), QByteArray("pdf"), QByteArray("xml"));
            QVERIFY2(refusedFile.isEmpty(), "written over a file");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), PrintRules::archiveFileTakenMessage(folder.filePath(refusedFile)));
        }
        if (rollBack)
            write.rollBack();
        QCOMPARE(folderFiles(archive.path()), after);
    }

    // A reduction is a credit note: an invoice or a debit note with a
    // negative total is never issued.
    void negativeDocuments_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("note");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("refusal");  // empty: issued
        const QString invoice = QStringLiteral("Фактурата не може да е с отрицателна сума и не е отпечатана. Намаление "
                                               "на сумата се оформя с кредитно известие към фактурата.");
        QTest::newRow("invoice") << int(DocumentKind::Invoice) << int(NoteKind::None) << "12.00" << QString();
        QTest::newRow("zero invoice") << int(DocumentKind::Invoice) << int(NoteKind::None) << "0.00" << QString();
        QTest::newRow("negative invoice") << int(DocumentKind::Invoice) << int(NoteKind::None) << "-12.00" << invoice;
        QTest::newRow("negative debit note")
            << int(DocumentKind::Invoice) << int(NoteKind::Debit) << "-0.01"
            << QStringLiteral("Дебитното известие не може да е с отрицателна сума и не е отпечатано. Намаление на "
                              "сумата се оформя с кредитно известие към фактурата.");
        QTest::newRow("credit note") << int(DocumentKind::Invoice) << int(NoteKind::Credit) << "-12.00" << QString();
        QTest::newRow("proforma") << int(DocumentKind::Proforma) << int(NoteKind::None) << "-12.00" << QString();
    }

    void negativeDocuments()
    {
        QFETCH(int, kind);
        QFETCH(int, note);
        QFETCH(QString, total);
        QFETCH(QString, refusal);
        Invoice invoice;
        invoice.kind = DocumentKind(kind);
        invoice.note.kind = NoteKind(note);
        invoice.totals.total = Amount::parseOrThrow(total);
        invoice.totals.taxBase = Amount::parseOrThrow(total);
        QCOMPARE(PrintRules::negativeDocumentRefusal(invoice).value_or(QString()), refusal);
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
