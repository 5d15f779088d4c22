#include "paradox/ParadoxTable.h"

#include "common/Failure.h"
#include "common/ParadoxFormat.h"
#include "paradox/Pxlib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>

namespace Paradox {

namespace {

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

Failure damaged(const QString &path, const QString &detail = QString())
{
    QString text = QStringLiteral("Файлът „%1“ е повреден и не може да бъде прочетен").arg(shown(path));
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return Failure(text + u'.');
}

// pxlib reports through a callback; the first error is kept for the message.
struct Errors {
    QString first;
};

void collectError(pxdoc_t *, int level, const char *message, void *data)
{
    auto *errors = static_cast<Errors *>(data);
    if (level != PX_Warning && errors->first.isEmpty())
        errors->first = QString::fromUtf8(message);
}

// Opened here for reading only (PX_open_file wants to write as well, which a
// read-only copy of the tables refuses), under its Unicode name on Windows.
FILE *openForReading(const QString &path)
{
#ifdef Q_OS_WIN
    return _wfopen(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), L"rb");
#else
    return std::fopen(QFile::encodeName(path).constData(), "rb");
#endif
}

struct FileCloser {
    void operator()(FILE *file) const { std::fclose(file); }
};

struct DocumentDeleter {
    // PX_delete closes the file as well.
    void operator()(pxdoc_t *document) const { pxlib().PX_delete(document); }
};

bool needsBlobFile(FieldType type)
{
    return type == FieldType::Memo || type == FieldType::FormattedMemo || type == FieldType::Blob
           || type == FieldType::Ole || type == FieldType::Graphic;
}

// The .MB file beside the table: same name, the extension in any case.
QString blobFilePath(const QString &tablePath)
{
    const QFileInfo table(tablePath);
    const QDir folder = table.dir();
    const QString wanted = table.completeBaseName() + QStringLiteral(".mb");
    for (const QString &name : folder.entryList(QDir::Files)) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return folder.filePath(name);
    }
    return folder.filePath(table.completeBaseName() + QStringLiteral(".MB"));
}

// The .MB file is read by this reader, not by pxlib: Debian 12's pxlib
// (0.6.8) aborts with "stack smashing detected" in PX_set_blob_file on every
// .MB file (its block list reads a three-byte-longer header into a smaller
// struct; fixed upstream only in 0.6.10). Without a blob file pxlib still
// reads the records, and a blob field's bytes are its pointer into the .MB.
class BlobFile {
public:
    explicit BlobFile(const QString &path) : m_file(path)
    {
        if (path.isEmpty() || !m_file.open(QIODevice::ReadOnly))
            return;
        m_present = true;
        if (m_file.size() > 0) {
            const uchar *data = m_file.map(0, m_file.size());
            if (data)
                m_bytes = QByteArrayView(data, m_file.size());
            else
                m_bytes = m_copy = m_file.readAll();
        }
    }
    bool present() const { return m_present; }
    QByteArrayView bytes() const { return m_bytes; }

private:
    QFile m_file;
    bool m_present = false;
    QByteArray m_copy;
    QByteArrayView m_bytes;
};

QVariant value(pxdoc_t *document, const Field &field, int decimals, char *data, const BlobFile &blobs,
               const QString &blobPath)
{
    const Pxlib &px = pxlib();
    switch (field.type) {
    case FieldType::Alpha:
        return data[0] ? QVariant(text(QByteArrayView(data, field.length))) : QVariant();
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Long:
    case FieldType::AutoIncrement: {
        long number = 0;
        if (px.PX_get_data_long(document, data, field.length, &number) <= 0)
            return QVariant();
        // A date is day 1 (1 January of year 1) or later; pxlib's writer
        // leaves other values in a blank date.
        if (field.type == FieldType::Date)
            return number > 0 ? QVariant(dateText(number)) : QVariant();
        if (field.type == FieldType::Time)
            return timeText(number);
        return QString::number(number);
    }
    case FieldType::Short: {
        short number = 0;
        return px.PX_get_data_short(document, data, field.length, &number) > 0 ? QVariant(QString::number(number))
                                                                             : QVariant();
    }
    case FieldType::Money:
    case FieldType::Number:
    case FieldType::Timestamp: {
        double number = 0;
        if (px.PX_get_data_double(document, data, field.length, &number) <= 0)
            return QVariant();
        return field.type == FieldType::Timestamp ? timestampText(number) : numberText(number);
    }
    case FieldType::Logical: {
        char flag = 0;
        return px.PX_get_data_byte(document, data, field.length, &flag) > 0 ? QVariant(logicalText(flag != 0))
                                                                         : QVariant();
    }
    case FieldType::Bcd: {
        char *digits = nullptr;
        if (px.PX_get_data_bcd(document, reinterpret_cast<unsigned char *>(data), decimals, &digits) <= 0 || !digits)
            return QVariant();
        const QString result = decimalText(QString::fromLatin1(digits));
        document->free(document, digits);
        return result;
    }
    case FieldType::Bytes: {
        char *bytes = nullptr;
        if (px.PX_get_data_bytes(document, data, field.length, &bytes) <= 0 || !bytes)
            return QVariant();
        const QByteArray result(bytes, field.length);
        document->free(document, bytes);
        return result;
    }
    case FieldType::Memo:
    case FieldType::FormattedMemo:
    case FieldType::Blob:
    case FieldType::Ole:
    case FieldType::Graphic: {
        const BlobPointer pointer = blobPointer(QByteArrayView(data, field.length));
        if (pointer.isNull())
            return QVariant();
        QByteArray bytes;
        try {
            bytes = blob(blobs.bytes(), pointer, field.type == FieldType::Graphic);
        } catch (const Failure &failure) {
            throw damaged(blobPath, failure.text());
        }
        if (field.type == FieldType::Memo || field.type == FieldType::FormattedMemo)
            return text(bytes);
        return bytes;
    }
    }
    return QVariant();
}

} // namespace

bool isBinary(FieldType type)
{
    return type == FieldType::Blob || type == FieldType::Ole || type == FieldType::Graphic || type == FieldType::Bytes;
}

Table readTable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде отворен.").arg(shown(path)));
    const std::optional<Header> head = header(file.read(HeaderBytes));
    if (!head)
        throw Failure(QStringLiteral("Файлът „%1“ не е таблица на Paradox или е повреден.").arg(shown(path)));
    if (head->encrypted)
        throw Failure(QStringLiteral("Таблицата „%1“ е защитена с парола и не може да бъде прочетена. "
                                     "Махнете паролата ѝ в Paradox и опитайте отново.")
                          .arg(shown(path)));
    if (file.size() < head->expectedSize())
        throw damaged(path, QStringLiteral("отрязан е: %1 байта от %2").arg(file.size()).arg(head->expectedSize()));
    file.close();

    const Pxlib &px = pxlib();
    Errors errors;
    // The document goes before the file it reads (pxlib leaves the file open).
    const std::unique_ptr<FILE, FileCloser> stream(openForReading(path));
    std::unique_ptr<pxdoc_t, DocumentDeleter> document(px.PX_new3(collectError, nullptr, nullptr, nullptr, &errors));
    if (!stream)
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде отворен.").arg(shown(path)));
    if (!document || px.PX_open_fp(document.get(), stream.get()) < 0)
        throw damaged(path, errors.first);

    Table table;
    table.path = path;
    const int count = px.PX_get_num_fields(document.get());
    pxfield_t *fields = px.PX_get_fields(document.get());
    QList<int> decimals;
    bool blobFields = false;
    int recordSize = 0;
    for (int i = 0; i < count; ++i) {
        const pxfield_t &field = fields[i];
        table.fields.append({text(QByteArrayView(field.px_fname, qstrlen(field.px_fname))),
                             FieldType(quint8(field.px_ftype)), field.px_flen});
        decimals.append(field.px_fdc);
        blobFields = blobFields || needsBlobFile(table.fields.last().type);
        recordSize += field.px_flen;
    }
    if (count <= 0 || recordSize != px.PX_get_recordsize(document.get()))
        throw damaged(path, errors.first);

    const QString blobPath = blobFilePath(path);
    const BlobFile blobs(blobFields ? blobPath : QString());
    if (blobFields && !blobs.present())
        throw Failure(QStringLiteral("Файлът „%1“ с бележките и картините на таблицата „%2“ липсва.")
                          .arg(shown(blobPath), shown(path)));

    const int records = px.PX_get_num_records(document.get());
    QByteArray record(recordSize, '\0');
    table.records.reserve(records);
    for (int number = 0; number < records; ++number) {
        if (!px.PX_get_record(document.get(), number, record.data()))
            throw damaged(path, QStringLiteral("запис %1: %2").arg(number + 1).arg(errors.first));
        QVariantList values;
        values.reserve(count);
        int offset = 0;
        for (int i = 0; i < count; ++i) {
            values.append(value(document.get(), table.fields[i], decimals[i], record.data() + offset, blobs, blobPath));
            offset += table.fields[i].length;
        }
        table.records.append(std::move(values));
    }
    return table;
}

} // namespace Paradox
