#include "common/BitmapCheck.h"
#include "app/Menu.h"
#include "app/ParadoxOffer.h"
#include "document/Document.h"
#include "lines/Unit1.h"
#include "common/Cp1251.h"
#include "common/Failure.h"
#include "paradox/MovingIn.h"
#include "common/ParadoxFormat.h"
#include "paradox/ParadoxTable.h"
#include "paradox/Pxlib.h"
#include "reference/Schema.h"
#include "support/ParadoxWriter.h"
#include "support/WindowTest.h"
#include "support/TableFolder.h"
#include "tools/TableMaker.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QImage>
#include <QtTest>

using ParadoxWriter::Field;

namespace {

QByteArray picture(const char *format)
{
    QImage image(20, 10, QImage::Format_RGB888);
    image.fill(QColor(200, 30, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Every kind of column a Paradox table may have, with a value of each and
// the text form the program keeps.
struct Kind {
    Field field;
    QVariant written;
    QVariant read;
};

QList<Kind> everyKind()
{
    const QString memo = QStringLiteral("Първи ред на бележката\r\nвтори ред: „кавички“ и №\r\nтрети");
    const QByteArray bitmap = picture("BMP");
    return {
        {{QStringLiteral("Име"), pxfAlpha, 30}, QStringLiteral("Ёлка и Щъркел ООД"), QStringLiteral("Ёлка и Щъркел ООД")},
        {{QStringLiteral("Дата"), pxfDate, 4}, ParadoxWriter::dayNumber(2007, 11, 30), QStringLiteral("30.11.2007")},
        {{QStringLiteral("Малко"), pxfShort, 2}, -1234, QStringLiteral("-1234")},
        {{QStringLiteral("Голямо"), pxfLong, 4}, 2000000041, QStringLiteral("2000000041")},
        {{QStringLiteral("Сума"), pxfCurrency, 8}, 1234.5, QStringLiteral("1234.5")},
        {{QStringLiteral("Число"), pxfNumber, 8}, 0.0001, QStringLiteral("0.0001")},
        {{QStringLiteral("Да/Не"), pxfLogical, 1}, true, QStringLiteral("True")},
        {{QStringLiteral("Бележка"), pxfMemoBLOb, 15}, memo, memo},
        {{QStringLiteral("Двоично"), pxfBLOb, 10}, QByteArray("\x00\x01\xff\xfe двоично", 12), QByteArray("\x00\x01\xff\xfe двоично", 12)},
        {{QStringLiteral("Форматирана"), pxfFmtMemoBLOb, 11}, QStringLiteral("Оформен текст"), QStringLiteral("Оформен текст")},
        {{QStringLiteral("Картина"), pxfGraphic, 10}, bitmap, bitmap},
        {{QStringLiteral("Час"), pxfTime, 4}, (13 * 3600 + 5 * 60 + 9) * 1000, QStringLiteral("13:05:09")},
        {{QStringLiteral("Момент"), pxfTimestamp, 8},
         (double(ParadoxWriter::dayNumber(2006, 2, 1)) * 86400 + 8 * 3600 + 30 * 60) * 1000,
         QStringLiteral("01.02.2006 08:30:00")},
        {{QStringLiteral("Брояч"), pxfAutoInc, 4}, 17, QStringLiteral("17")},
        // pxlib's writer takes a BCD field's length for its decimals.
        {{QStringLiteral("Точно"), pxfBCD, 17, 17}, QStringLiteral("-12.3400"), QStringLiteral("-12.34")},
        {{QStringLiteral("Байтове"), pxfBytes, 6}, QByteArray("\x01\x02\x03\x04\x05\x06", 6), QByteArray("\x01\x02\x03\x04\x05\x06", 6)},
    };
}

QList<Field> fieldsOf(const QList<Kind> &kinds)
{
    QList<Field> fields;
    for (const Kind &kind : kinds)
        fields << kind.field;
    return fields;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Every file under the folder with its hash, by name.
QMap<QString, QByteArray> filesIn(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files))
        files.insert(file.fileName(), fileHash(file.filePath()));
    return files;
}

QString pxlibDate(long days)
{
    int year = 0, month = 0, day = 0;
    PX_SdnToGregorian(days + 1721425, &year, &month, &day);
    return QStringLiteral("%1.%2.%3").arg(day, 2, 10, QChar(u'0')).arg(month, 2, 10, QChar(u'0')).arg(year, 4, 10, QChar(u'0'));
}

QString clock(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QChar(u'0'))
        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}

// The value of each field as pxlib itself reads it (without the .MB file,
// which Debian's pxlib cannot open), in the text form of the program.
QVariantList pxlibRecord(const QString &path, int number)
{
    pxdoc_t *document = PX_new();
    QVariantList values;
    if (PX_open_file(document, QFile::encodeName(path).constData()) < 0)
        return values;
    pxval_t **record = PX_retrieve_record(document, number);
    pxfield_t *fields = PX_get_fields(document);
    for (int i = 0; record && i < PX_get_num_fields(document); ++i) {
        const pxval_t *value = record[i];
        QVariant text;
        if (!value->isnull) {
            switch (fields[i].px_ftype) {
            case pxfAlpha:
                text = Cp1251::decode(value->value.str.val);
                break;
            // pxlib's own calendar (its *2string functions write past their
            // buffers, so they are not used).
            case pxfDate:
                text = pxlibDate(value->value.lval);
                break;
            case pxfTime:
                text = clock(value->value.lval / 1000);
                break;
            case pxfTimestamp: {
                const qint64 seconds = qint64(value->value.dval / 1000);
                text = pxlibDate(long(seconds / 86400)) + u' ' + clock(seconds % 86400);
                break;
            }
            case pxfShort:
            case pxfLong:
            case pxfAutoInc:
                text = QString::number(value->value.lval);
                break;
            case pxfCurrency:
            case pxfNumber:
                text = value->value.dval;
                break;
            case pxfLogical:
                text = value->value.lval ? QStringLiteral("True") : QStringLiteral("False");
                break;
            case pxfBCD:
                text = QString::fromLatin1(value->value.str.val);
                break;
            case pxfBytes:
                text = QByteArray(value->value.str.val, value->value.str.len);
                break;
            default:
                break;  // blobs: in the .MB
            }
        }
        values << text;
        const bool numeric = fields[i].px_ftype == pxfDate || fields[i].px_ftype == pxfTime
                             || fields[i].px_ftype == pxfTimestamp || fields[i].px_ftype == pxfShort
                             || fields[i].px_ftype == pxfLong || fields[i].px_ftype == pxfAutoInc
                             || fields[i].px_ftype == pxfCurrency || fields[i].px_ftype == pxfNumber
                             || fields[i].px_ftype == pxfLogical;
        if (value->isnull == 0 && !numeric)
            document->free(document, value->value.str.val);
        document->free(document, record[i]);
    }
    if (record)
        document->free(document, record);
    PX_delete(document);
    return values;
}

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Failure &failure) {
        return failure.text();
    }
    return QString();
}

const QString OldNow = QStringLiteral("2026-12-08T17:30:05");

// The start-up's offer for the old folder in dataFolder, and when accepted
// its summary (converted at OldNow).
void expectOffer(ScriptedPrompter &prompter, const QString &dataFolder, bool accepted)
{
    prompter.expectQuestion(
        QStringLiteral("В папката „%1“ има таблици на Paradox от старата програма (Firm.db, Details.db, "
                       "stock.db, customer.db). Програмата работи със свои таблици и не може да ги отвори.\n\n"
                       "Да бъдат ли преобразувани сега? Всички записи, колони, бележки и картини ще бъдат "
                       "пренесени, а файловете на Paradox ще бъдат запазени непроменени в папка "
                       "„paradox-<дата>-<час>“ в „DB“.")
            .arg(QDir::toNativeSeparators(dataFolder)),
        accepted);
    if (!accepted)
        return;
    const QString kept = QDir::toNativeSeparators(QDir(dataFolder).filePath("paradox-20261208-173005"));
    prompter.expectInformation(
        QStringLiteral("Таблиците на Paradox са преобразувани. Файловете им са запазени непроменени в „%1“.\n\n"
                       "Firm.db: записи 1, колони 12, картини 1. Нищо не е променено.\n"
                       "Details.db: записи 1, колони 3, картини 0. Нищо не е променено.\n"
                       "stock.db: записи 3, колони 6, картини 0. Нищо не е променено.\n"
                       "customer.db: записи 1, колони 7, картини 0. Нищо не е променено.")
            .arg(kept));
}

} // namespace

class tst_Paradox : public WindowTest {
    Q_OBJECT
    // The old folder is written once (pxlib's writer is slow) and copied.
    QTemporaryDir m_template;
    bool copyOldFolder(const QString &dataFolder) const
    {
        for (const QFileInfo &file : QDir(m_template.path()).entryInfoList(QDir::Files)) {
            if (!QFile::copy(file.filePath(), QDir(dataFolder).filePath(file.fileName())))
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase() { ParadoxWriter::OldFolder::write(m_template.path()); }

    void everyKindReadsIntoItsTextForm()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kinds.db"));
        const QList<Kind> kinds = everyKind();
        QVariantList full, blank(kinds.size());
        for (const Kind &kind : kinds)
            full << kind.written;
        ParadoxWriter::writeTable(path, fieldsOf(kinds), {full, blank});

        const Paradox::Table table = Paradox::readTable(path);
        QCOMPARE(table.fields.size(), kinds.size());
        QCOMPARE(table.records.size(), 2);
        const QVariantList pxlib = pxlibRecord(path, 0);
        const QVariantList pxlibBlank = pxlibRecord(path, 1);
        QCOMPARE(pxlib.size(), kinds.size());
        QCOMPARE(pxlibBlank.size(), kinds.size());
        for (qsizetype i = 0; i < kinds.size(); ++i) {
            const QByteArray what = kinds[i].field.name.toUtf8();
            QCOMPARE(table.fields[i].name, kinds[i].field.name);
            QCOMPARE(int(table.fields[i].type), kinds[i].field.type);
            QVERIFY2(table.records[0][i] == kinds[i].read, qPrintable(kinds[i].field.name + u' ' + table.records[0][i].toString() + QStringLiteral(" / ") + pxlib[i].toString()));
            // pxlib's writer leaves a blank in most kinds (not in numbers of 0.6.8).
            if (!pxlibBlank[i].isValid())
                QVERIFY2(!table.records[1][i].isValid(), what);
            // What pxlib reads agrees, where it can read it.
            const QVariant theirs = pxlib[i];
            if (theirs.typeId() == QMetaType::Double)
                QVERIFY2(table.records[0][i].toString().toDouble() == theirs.toDouble(), what);
            else if (kinds[i].field.type == pxfBCD)
                QVERIFY2(Paradox::decimalText(theirs.toString()) == table.records[0][i].toString(), what);
            else if (theirs.isValid())
                QVERIFY2(theirs == table.records[0][i], what);
        }
    }

    void memosAndLogos_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray long64k;
        for (int i = 0; long64k.size() <= 70000; ++i)
            long64k += Cp1251::encode(QStringLiteral("%1. Ред от дълго описание на стоката.\r\n").arg(i));
        QTest::newRow("memo fitting its leader") << int(pxfMemoBLOb) << Cp1251::encode(QStringLiteral("Къс"));
        QTest::newRow("memo of a few lines") << int(pxfMemoBLOb)
                                             << Cp1251::encode(QStringLiteral("Ред едно\r\nРед две\r\nРед три"));
        QTest::newRow("memo over 64 kB") << int(pxfMemoBLOb) << long64k;
        QTest::newRow("logo in a graphic field") << int(pxfGraphic) << picture("BMP");
        QTest::newRow("logo in a binary blob") << int(pxfBLOb) << picture("BMP");
    }
    void memosAndLogos()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("m.db"));
        const QVariant value = type == pxfMemoBLOb ? QVariant(Cp1251::decode(bytes)) : QVariant(bytes);
        ParadoxWriter::writeTable(path, {{QStringLiteral("Пор. №"), pxfAlpha, 6}, {QStringLiteral("Стойност"), type, 20}},
                                  {{QStringLiteral("1"), value}, {QStringLiteral("2"), QVariant()}});
        const Paradox::Table table = Paradox::readTable(path);
        QCOMPARE(table.records.size(), 2);
        QCOMPARE(table.records[0][1], value);
        QVERIFY(!table.records[1][1].isValid());
    }

    void unreadableTablesAreNamed_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("says");
        QTest::newRow("password") << "password" << "stock.db" << "защитена с парола";
        QTest::newRow("missing .MB") << "no mb" << "stock.MB" << "липсва";
        QTest::newRow("table cut short") << "cut db" << "stock.db" << "отрязан";
        QTest::newRow(".MB cut short") << "cut mb" << "stock.MB" << "повреден";
        QTest::newRow("not a table") << "garbage" << "stock.db" << "не е таблица на Paradox";
    }
    void unreadableTablesAreNamed()
    {
        QFETCH(QString, damage);
        QFETCH(QString, named);
        QFETCH(QString, says);
        TableFolder folder;
        QVERIFY(folder.emptyFolder());
        QVERIFY(copyOldFolder(folder.data()));
        const QDir data(folder.data());
        if (damage == QLatin1String("password"))
            ParadoxWriter::protectWithPassword(data.filePath("stock.db"));
        else if (damage == QLatin1String("no mb"))
            QVERIFY(QFile::remove(data.filePath("stock.MB")));
        else if (damage == QLatin1String("cut db") || damage == QLatin1String("cut mb")) {
            QFile file(data.filePath(damage == QLatin1String("cut db") ? "stock.db" : "stock.MB"));
            QVERIFY(file.resize(damage == QLatin1String("cut db") ? file.size() - 3000 : 4096 + 100));
        } else {
            QFile file(data.filePath("stock.db"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.write(QByteArray(0x60, 'x'));
        }
        const QString text = failureOf([&] { Paradox::readTable(data.filePath("stock.db")); });
        QVERIFY2(text.contains(QDir::toNativeSeparators(data.filePath(named))) && text.contains(says), qPrintable(text));

        // The conversion stops before anything is moved or made.
        const auto before = filesIn(folder.data());
        const QString converting = failureOf([&] { MovingIn::convert(folder.path(QString())); });
        QVERIFY2(converting.contains(QDir::toNativeSeparators(data.filePath(named))), qPrintable(converting));
        QCOMPARE(filesIn(folder.data()), before);
        QCOMPARE(QDir(folder.data()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }

    void movingInKeepsEveryValue()
    {
        TableFolder folder;
        QVERIFY(folder.emptyFolder());
        QVERIFY(copyOldFolder(folder.data()));
        // A copy of Paradox's own index beside a table moves along with it.
        QFile index(QDir(folder.data()).filePath("customer.PX"));
        QVERIFY(index.open(QIODevice::WriteOnly) && index.write("index") == 5);
        index.close();
        const auto paradoxFiles = filesIn(folder.data());

        const MovingIn::Outcome outcome = MovingIn::convert(folder.path(QString()), QDateTime::fromString(OldNow, Qt::ISODate));
        QCOMPARE(outcome.keptIn, QDir(folder.data()).filePath("paradox-20261208-173005"));
        QCOMPARE(filesIn(outcome.keptIn), paradoxFiles);

        QCOMPARE(outcome.tables.size(), 4);
        for (const MovingIn::TableSummary &summary : outcome.tables) {
            const QList<Field> fields = ParadoxWriter::OldFolder::fields(summary.fileName);
            const QList<QVariantList> records = ParadoxWriter::OldFolder::records(summary.fileName);
            const Paradox::Table original = Paradox::readTable(QDir(outcome.keptIn).filePath(summary.fileName));
            QVERIFY(summary.fromParadox);
            QCOMPARE(summary.records, records.size());
            QCOMPARE(summary.columns, fields.size());
            QCOMPARE(summary.changes, QStringList());

            auto table = folder.open(summary.fileName);
            QStringList names;
            for (const Field &field : fields)
                names << field.name;
            QCOMPARE(table->fieldNames(), names);
            QCOMPARE(table->recordCount(), records.size());
            for (int row = 0; row < records.size(); ++row) {
                table->setRecNo(row + 1);
                for (qsizetype i = 0; i < fields.size(); ++i) {
                    const QVariant value = original.records[row][i];
                    if (value.typeId() == QMetaType::QByteArray)
                        QCOMPARE(table->picture(fields[i].name), value.toByteArray());
                    else if (fields[i].type == pxfMemoBLOb)
                        QCOMPARE(table->text(fields[i].name), value.toString());
                    else
                        QCOMPARE(table->text(fields[i].name), value.toString());
                }
            }
        }
        auto firm = folder.open(Schema::Firm::FileName);
        QCOMPARE(firm->text(Schema::Firm::LastInvoice.name), QStringLiteral("0000000041"));
        QCOMPARE(firm->text(Schema::Firm::LastProforma.name), QStringLiteral("7"));
        QCOMPARE(outcome.tables[0].pictures, 1);
        auto goods = folder.open(Schema::Goods::FileName);
        QCOMPARE(goods->text(Schema::Goods::Price.name), QStringLiteral("9.5"));
        QCOMPARE(goods->text(QStringLiteral("Доставена на")), QStringLiteral("14.03.2006"));
        QVERIFY(MovingIn::summaryText(outcome).contains(QStringLiteral("stock.db: записи 3, колони 6, картини 0. Нищо не е променено.")));
    }

    void movingInRefusesWhereTheProgramsTablesAre()
    {
        TableFolder folder;
        QVERIFY(folder.emptyFolder());
        QVERIFY(copyOldFolder(folder.data()));
        QVERIFY(QFile::remove(QDir(folder.data()).filePath("Details.db")));
        QVERIFY(TableMaker::makeTable(folder.data(), TableMaker::referenceTable(Schema::Bank::FileName)));
        const auto before = filesIn(folder.data());
        const QString text = failureOf([&] { MovingIn::convert(folder.path(QString())); });
        QVERIFY2(text.contains(QStringLiteral("вече има таблици на програмата")), qPrintable(text));
        QCOMPARE(filesIn(folder.data()), before);
    }

    void aFailureWhileWritingPutsTheParadoxFilesBack()
    {
        TableFolder folder;
        QVERIFY(folder.emptyFolder());
        QVERIFY(copyOldFolder(folder.data()));
        // A column named like the key of the program's tables cannot be made;
        // stock.db comes after Firm.db and Details.db, which are made first.
        QList<Field> fields = ParadoxWriter::OldFolder::fields("stock.db");
        fields[5].name = Schema::KeyColumn;
        ParadoxWriter::writeTable(QDir(folder.data()).filePath("stock.db"), fields,
                                  ParadoxWriter::OldFolder::records("stock.db"));
        const auto before = filesIn(folder.data());
        QVERIFY(!failureOf([&] { MovingIn::convert(folder.path(QString())); }).isEmpty());
        QCOMPARE(filesIn(folder.data()), before);
        QCOMPARE(QDir(folder.data()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }

    void aLogoThatIsNoBitmapIsStoredAsOne()
    {
        TableFolder folder;
        QVERIFY(folder.emptyFolder());
        const QDir data(folder.data());
        const QList<Field> fields = ParadoxWriter::OldFolder::fields("Firm.db");
        QList<QVariantList> records = ParadoxWriter::OldFolder::records("Firm.db");
        records[0][8] = picture("PNG");
        records << records[0];
        records[1][8] = QByteArray("no picture at all");
        ParadoxWriter::writeTable(data.filePath("Firm.db"), fields, records);

        const MovingIn::Outcome outcome = MovingIn::convert(folder.path(QString()));
        QCOMPARE(outcome.tables.size(), 4);
        QCOMPARE(outcome.tables[0].pictures, 1);
        QCOMPARE(outcome.tables[0].changes,
                 (QStringList{"запис 1: картината в „Лого“ не беше растерно изображение (BMP) и е преобразувана в такова",
                              "запис 2: „Лого“ не съдържа картина, която може да бъде прочетена; колоната е оставена празна"}));
        QVERIFY(!outcome.tables[1].fromParadox);
        auto firm = folder.open(Schema::Firm::FileName);
        const QByteArray stored = firm->picture(Schema::Firm::Logo.name);
        QVERIFY(isBitmap(stored));
        QCOMPARE(QImage::fromData(stored).convertToFormat(QImage::Format_RGB888),
                 QImage::fromData(picture("PNG")).convertToFormat(QImage::Format_RGB888));
        firm->setRecNo(2);
        QVERIFY(firm->picture(Schema::Firm::Logo.name).isEmpty());
    }

    void startUpOffersTheConversion_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("accepted") << true;
        QTest::newRow("declined") << false;
    }
    void startUpOffersTheConversion()
    {
        QFETCH(bool, accepted);
        TableFolder folder;
        QVERIFY(folder.emptyFolder());
        QVERIFY(copyOldFolder(folder.data()));
        const auto before = filesIn(folder.data());
        const QDateTime now = QDateTime::fromString(OldNow, Qt::ISODate);
        expectOffer(prompter(), folder.data(), accepted);
        offerParadoxConversion(folder.path(QString()), now);
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(MovingIn::paradoxTables(folder.data()).isEmpty(), accepted);
        if (!accepted) {
            QCOMPARE(filesIn(folder.data()), before);
            // The store says what the file is instead of failing to read it.
            const QString text = failureOf([&] { folder.open(Schema::Goods::FileName); });
            QVERIFY2(text.contains(QStringLiteral("е таблица на Paradox от старата програма")), qPrintable(text));
        }
    }

    void startUpAsksTheRateBeforeTheOffer()
    {
        // The rate dialog is the first thing a start shows.
        const QString data = app().path(QStringLiteral("DB"));
        QVERIFY(QDir().mkpath(data) && copyOldFolder(data));
        prompter().expectInput(QString(), QStringLiteral("ДДС"), QStringLiteral("9%"));
        expectOffer(prompter(), data, false);
        app().open();
        QVERIFY2(prompter().finished(), prompter().problems());
        QCOMPARE(Form1->MemList.value(0), QStringLiteral("9%"));
    }

    void anInvoiceFromTheConvertedTablesTakesTheNextNumber()
    {
        const QString data = app().path(QStringLiteral("DB"));
        QVERIFY(QDir().mkpath(data) && copyOldFolder(data));
        expectOffer(prompter(), data, true);
        offerParadoxConversion(app().dir().path(), QDateTime::fromString(OldNow, Qt::ISODate));
        app().start(prompter());
        Main->SpeedButton4Click();
        QCOMPARE(Doc->NO->text(), QStringLiteral("0000000042"));
        QCOMPARE(Doc->Label38->text(), QStringLiteral("Банка „Дунав“ АД"));
    }

    void blobBytesFromTheMbFile_data()
    {
        QTest::addColumn<QByteArray>("mb");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("blob");  // empty: refused
        // A block of small blobs at 4096: one blob of 20 bytes at 16 * 20.
        QByteArray small(8192, '\0');
        small[4096] = 3;
        small[4097] = 1;
        const int entry = 4096 + 12 + 2 * 5;
        small[entry] = 20;
        small[entry + 1] = 2;
        small[entry + 4] = 4;
        small.replace(4096 + 320, 20, "twenty bytes of blob");
        QByteArray pointer(10 + 2, '\0');
        pointer.replace(0, 2, "tw");
        qToLittleEndian<quint32>(4096 | 2, pointer.data() + 2);
        qToLittleEndian<quint32>(20, pointer.data() + 6);
        QTest::newRow("small blob") << small << pointer << QByteArray("twenty bytes of blob");
        QByteArray wrongSize = pointer;
        qToLittleEndian<quint32>(21, wrongSize.data() + 6);
        QTest::newRow("size differs") << small << wrongSize << QByteArray();
        QByteArray outside = pointer;
        qToLittleEndian<quint32>(3 * 4096 | 2, outside.data() + 2);
        QTest::newRow("past the end") << small << outside << QByteArray();
        QByteArray header = pointer;
        qToLittleEndian<quint32>(0 | 2, header.data() + 2);
        QTest::newRow("header block") << small << header << QByteArray();
    }
    void blobBytesFromTheMbFile()
    {
        QFETCH(QByteArray, mb);
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, blob);
        const Paradox::BlobPointer pointer = Paradox::blobPointer(field);
        if (blob.isEmpty())
            QVERIFY(!failureOf([&] { Paradox::blob(mb, pointer, false); }).isEmpty());
        else
            QCOMPARE(Paradox::blob(mb, pointer, false), blob);
    }
};

QTEST_MAIN(tst_Paradox)
#include "tst_paradox.moc"
