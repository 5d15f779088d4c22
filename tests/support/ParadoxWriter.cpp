#include "support/ParadoxWriter.h"

#include "common/Cp1251.h"
#include "common/Failure.h"
#include "paradox/Pxlib.h"

#include <QFile>
#include <QtEndian>
#include <cstdlib>
#include <cstring>

namespace ParadoxWriter {

namespace {

char *copy(const QByteArray &bytes)
{
    char *text = static_cast<char *>(std::malloc(size_t(bytes.size()) + 1));
    std::memcpy(text, bytes.constData(), size_t(bytes.size()));
    text[bytes.size()] = '\0';
    return text;
}

bool isBlobType(int type) { return type == pxfMemoBLOb || type == pxfFmtMemoBLOb || type == pxfBLOb || type == pxfOLE || type == pxfGraphic; }
// pxlib writes memos into the .MB, not binary blobs or graphics.
bool writtenHere(int type) { return type == pxfBLOb || type == pxfOLE || type == pxfGraphic; }

void fill(pxval_t *value, const Field &field, const QVariant &given)
{
    value->isnull = !given.isValid();
    if (value->isnull || writtenHere(field.type))
        return;
    switch (field.type) {
    case pxfAlpha:
    case pxfMemoBLOb:
    case pxfFmtMemoBLOb: {
        const QByteArray bytes = Cp1251::encode(given.toString());
        value->value.str.val = copy(bytes);
        value->value.str.len = int(bytes.size());
        break;
    }
    case pxfBCD: {
        // pxlib's PX_put_data_bcd reads the integer digits backwards until it
        // has all of them, before the start of the text if it is short (an
        // unsigned index never goes below 0): they are all given here.
        QString digits = given.toString();
        const QString sign = digits.startsWith(u'-') ? QStringLiteral("-") : QString();
        digits.remove(0, sign.size());
        const qsizetype point = digits.contains(u'.') ? digits.indexOf(u'.') : digits.size();
        digits = sign + QString(32 - field.length - point, u'0') + digits;
        value->value.str.val = copy(digits.toLatin1());
        value->value.str.len = int(digits.size());
        break;
    }
    case pxfBytes: {
        const QByteArray bytes = given.toByteArray();
        value->value.str.val = copy(bytes);
        value->value.str.len = int(bytes.size());
        break;
    }
    case pxfNumber:
    case pxfCurrency:
    case pxfTimestamp:
        value->value.dval = given.toDouble();
        break;
    default:
        value->value.lval = long(given.toLongLong());
        break;
    }
}

void release(pxval_t *value, const Field &field)
{
    if (!value->isnull && (field.type == pxfAlpha || field.type == pxfMemoBLOb || field.type == pxfFmtMemoBLOb
                           || field.type == pxfBCD || field.type == pxfBytes))
        std::free(value->value.str.val);
    std::free(value);
}

quint16 word(const QByteArray &bytes, qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }

// Where each record lies in the table file: the data blocks in their chain.
QList<qsizetype> recordPlaces(const QByteArray &table)
{
    const int recordSize = word(table, 0x00);
    const int headerSize = word(table, 0x02);
    const int blockSize = quint8(table[0x05]) * 1024;
    QList<qsizetype> places;
    for (int block = word(table, 0x0E); block != 0;) {
        const qsizetype at = headerSize + qsizetype(block - 1) * blockSize;
        const int more = qint16(word(table, at + 4));
        for (int i = 0; more >= 0 && i <= more / recordSize; ++i)
            places << at + 6 + qsizetype(i) * recordSize;
        block = word(table, at);
    }
    return places;
}

// Appends a block of its own holding the blob to the .MB file and points the
// field at it, as Paradox does for a blob longer than the field's leader.
void putBlob(QByteArray &table, QFile &mb, qsizetype fieldAt, int fieldLength, const QByteArray &data, bool graphic)
{
    const qsizetype head = graphic ? 17 : 9;
    const quint32 size = quint32(data.size() + (graphic ? 8 : 0));
    qint64 at = mb.size();
    at = (at + 4095) / 4096 * 4096;
    const qsizetype chunks = (head + data.size() + 4095) / 4096;
    QByteArray block(chunks * 4096, '\0');
    block[0] = 2;
    qToLittleEndian<quint16>(quint16(chunks), block.data() + 1);
    qToLittleEndian<quint32>(size, block.data() + 3);
    qToLittleEndian<quint16>(1, block.data() + 7);
    std::memcpy(block.data() + head, data.constData(), size_t(data.size()));
    mb.resize(at);
    mb.seek(at);
    mb.write(block);

    char *field = table.data() + fieldAt;
    const int leader = fieldLength - 10;
    std::memset(field, 0, size_t(fieldLength));
    if (!graphic)
        std::memcpy(field, data.constData(), size_t(std::min<qsizetype>(leader, data.size())));
    qToLittleEndian<quint32>(quint32(at) | 0xffu, field + leader);
    qToLittleEndian<quint32>(size, field + leader + 4);
    qToLittleEndian<quint16>(1, field + leader + 8);
}

} // namespace

QString blobFilePath(const QString &tablePath)
{
    return tablePath.left(tablePath.lastIndexOf(u'.')) + QStringLiteral(".MB");
}

void writeTable(const QString &path, const QList<Field> &fields, const QList<QVariantList> &records)
{
    writeTable(path, fields, records.size(), [&](qsizetype i) { return records[i]; });
}

void writeTable(const QString &path, const QList<Field> &fields, qsizetype count,
                const std::function<QVariantList(qsizetype)> &record)
{
    QFile::remove(path);
    QFile::remove(blobFilePath(path));
    pxdoc_t *document = PX_new();
    // pxlib keeps the field list and frees it with the document.
    auto *list = static_cast<pxfield_t *>(std::malloc(sizeof(pxfield_t) * size_t(fields.size())));
    bool blobs = false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        list[i].px_fname = copy(Cp1251::encode(fields[i].name));
        list[i].px_ftype = char(fields[i].type);
        list[i].px_flen = fields[i].length;
        list[i].px_fdc = fields[i].decimals;
        blobs = blobs || isBlobType(fields[i].type);
    }
    if (PX_create_file(document, list, int(fields.size()), QFile::encodeName(path).constData(), pxfFileTypNonIndexDB) < 0)
        throw Failure(QStringLiteral("pxlib could not make %1").arg(path));
    PX_set_parameter(document, "tablename", "table");
    PX_set_value(document, "codepage", 1251);
    if (blobs) {
        pxblob_t *blob = PX_new_blob(document);
        if (PX_create_blob_file(blob, QFile::encodeName(blobFilePath(path)).constData()) < 0)
            throw Failure(QStringLiteral("pxlib could not make the .MB of %1").arg(path));
        document->px_blob = blob;
    }
    QList<QVariantList> late;  // the blobs written here, after pxlib is done
    QList<qsizetype> lateRecords;
    QList<pxval_t *> values(fields.size());
    for (qsizetype number = 0; number < count; ++number) {
        const QVariantList given = record(number);
        bool hasLate = false;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            values[i] = static_cast<pxval_t *>(std::calloc(1, sizeof(pxval_t)));
            fill(values[i], fields[i], given.value(i));
            hasLate = hasLate || (writtenHere(fields[i].type) && given.value(i).isValid());
        }
        if (PX_insert_record(document, values.data()) < 0)
            throw Failure(QStringLiteral("pxlib could not write record %1 of %2").arg(number).arg(path));
        for (qsizetype i = 0; i < fields.size(); ++i)
            release(values[i], fields[i]);
        if (hasLate) {
            late << given;
            lateRecords << number;
        }
    }
    PX_close(document);
    PX_delete(document);
    if (late.isEmpty())
        return;

    QFile file(path);
    QFile mb(blobFilePath(path));
    if (!file.open(QIODevice::ReadWrite) || !mb.open(QIODevice::ReadWrite))
        throw Failure(QStringLiteral("cannot reopen %1").arg(path));
    QByteArray table = file.readAll();
    const QList<qsizetype> places = recordPlaces(table);
    for (qsizetype k = 0; k < late.size(); ++k) {
        qsizetype offset = places.value(lateRecords[k]);
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (writtenHere(fields[i].type) && late[k].value(i).isValid())
                putBlob(table, mb, offset, fields[i].length, late[k].value(i).toByteArray(), fields[i].type == pxfGraphic);
            offset += fields[i].length;
        }
    }
    file.seek(0);
    file.write(table);
}

void protectWithPassword(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        throw Failure(QStringLiteral("cannot open %1").arg(path));
    QByteArray head = file.read(0x60);
    // The first password field says "see the second one" in a Paradox 4+ header.
    qToLittleEndian<quint32>(0xff00ff00u, head.data() + 0x25);
    qToLittleEndian<quint32>(0x5a3c1e0fu, head.data() + 0x5C);
    file.seek(0);
    file.write(head);
}

qint64 dayNumber(int year, int month, int day) { return PX_GregorianToSdn(year, month, day) - 1721425; }

} // namespace ParadoxWriter

#include <QBuffer>
#include <QDir>
#include <QImage>

namespace ParadoxWriter::OldFolder {

namespace {

QByteArray logoBitmap()
{
    QImage image(48, 24, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x * 5, y * 10, 120));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace

QList<Field> fields(const QString &fileName)
{
    if (fileName == QLatin1String("Firm.db"))
        return {{QStringLiteral("ДОСТАВЧИК"), pxfAlpha, 60},
                {QStringLiteral("ДОСТАВЧИК (втори ред)"), pxfAlpha, 60},
                {QStringLiteral("Адрес"), pxfAlpha, 60},
                {QStringLiteral("Адрес (втори ред)"), pxfAlpha, 60},
                {QStringLiteral("МОЛ"), pxfAlpha, 40},
                {QStringLiteral("ИН по ЗДДС BG"), pxfAlpha, 20},
                {QStringLiteral("ИН"), pxfAlpha, 20},
                {QStringLiteral("Местоиздаване"), pxfAlpha, 40},
                {QStringLiteral("Лого"), pxfGraphic, 10},
                {QStringLiteral("Фактура №"), pxfAlpha, 10},
                {QStringLiteral("Проформа №"), pxfLong, 4},
                {QStringLiteral("Телефон"), pxfAlpha, 15}};
    if (fileName == QLatin1String("Details.db"))
        return {{QStringLiteral("Bank"), pxfAlpha, 60},
                {QStringLiteral("IBAN"), pxfAlpha, 34},
                {QStringLiteral("SWIFT"), pxfAlpha, 11}};
    if (fileName == QLatin1String("stock.db"))
        return {{QStringLiteral("Пор. №"), pxfAlpha, 6},
                {QStringLiteral("Описание на стока/услуга"), pxfMemoBLOb, 20},
                {QStringLiteral("Мярка"), pxfAlpha, 10},
                {QStringLiteral("Продажна цена"), pxfCurrency, 8},
                {QStringLiteral("К-во"), pxfNumber, 8},
                {QStringLiteral("Доставена на"), pxfDate, 4}};
    return {{QStringLiteral("Фирма"), pxfAlpha, 60},
            {QStringLiteral("Идент №"), pxfAlpha, 40},
            {QStringLiteral("ИН по ЗДДС BG"), pxfAlpha, 20},
            {QStringLiteral("Адрес"), pxfAlpha, 40},
            {QStringLiteral("МОЛ"), pxfAlpha, 40},
            {QStringLiteral("Телефон"), pxfAlpha, 15},
            {QStringLiteral("Факс"), pxfAlpha, 15}};
}

QList<QVariantList> records(const QString &fileName)
{
    if (fileName == QLatin1String("Firm.db"))
        return {{QStringLiteral("Търговска къща „Явор“"), QStringLiteral("ЕООД"), QStringLiteral("гр. Габрово"),
                 QStringLiteral("ул. „Орловска“ 12"), QStringLiteral("Стоян Петков"), QStringLiteral("BG123456789"),
                 QStringLiteral("123456789"), QStringLiteral("Габрово"), logoBitmap(), QStringLiteral("0000000041"),
                 7, QStringLiteral("066 80 12 34")}};
    if (fileName == QLatin1String("Details.db"))
        return {{QStringLiteral("Банка „Дунав“ АД"), QStringLiteral("BG80BNBG96611020345678"), QStringLiteral("BNBGBGSD")}};
    if (fileName == QLatin1String("stock.db"))
        return {{QStringLiteral("1"), QStringLiteral("Хартия за принтер А4, 80 г/м²,\r\n500 листа в пакет"),
                 QStringLiteral("пакет"), 9.5, 120.0, dayNumber(2006, 3, 14)},
                {QStringLiteral("2"), QStringLiteral("Химикалка синя"), QStringLiteral("бр."), 0.45, 2.5, QVariant()},
                {QStringLiteral("3"), QStringLiteral("Монтаж на рафтове\r\nв склада на клиента\r\n(на час)"),
                 QStringLiteral("час"), 25.0, 0.0, dayNumber(2007, 1, 2)}};
    return {{QStringLiteral("Строител ООД"), QStringLiteral("987654321"), QStringLiteral("BG987654321"),
             QStringLiteral("гр. София, бул. „Витоша“ 1"), QStringLiteral("Иван Иванов"), QStringLiteral("02 981 00 00"),
             QVariant()}};
}

void write(const QString &dataFolder)
{
    QDir().mkpath(dataFolder);
    for (const QString &name : {QStringLiteral("Firm.db"), QStringLiteral("Details.db"), QStringLiteral("stock.db"),
                               QStringLiteral("customer.db")})
        writeTable(QDir(dataFolder).filePath(name), fields(name), records(name));
}

} // namespace ParadoxWriter::OldFolder
