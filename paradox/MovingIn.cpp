#include "paradox/MovingIn.h"

#include "common/BitmapCheck.h"
#include "common/Failure.h"
#include "common/ParadoxFormat.h"
#include "paradox/ParadoxTable.h"
#include "reference/Schema.h"
#include "reference/TableMaker.h"
#include "reference/TableStore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <optional>

namespace MovingIn {

namespace {

using Paradox::FieldType;

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

QByteArray firstBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(Paradox::HeaderBytes) : QByteArray();
}

bool isSqlite(const QByteArray &bytes) { return bytes.startsWith(QByteArrayView("SQLite format 3\0", 16)); }

// The file of that name in the folder, whatever the case of its letters.
QString findFile(const QDir &folder, const QString &fileName)
{
    for (const QString &name : folder.entryList(QDir::Files)) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0)
            return folder.filePath(name);
    }
    return QString();
}

// A text column wide enough for the longest text a field of the kind holds.
int textWidth(const Paradox::Field &field)
{
    switch (field.type) {
    case FieldType::Alpha:
        return field.length;
    case FieldType::Short:
        return 6;
    case FieldType::Long:
    case FieldType::AutoIncrement:
        return 11;
    case FieldType::Date:
        return 10;
    case FieldType::Time:
        return 12;
    case FieldType::Timestamp:
        return 23;
    case FieldType::Logical:
        return 5;
    case FieldType::Bcd:
        return 34;
    default:
        return 24;  // numbers and money in their shortest form
    }
}

QString declaredType(const Paradox::Field &field)
{
    if (field.type == FieldType::Memo || field.type == FieldType::FormattedMemo)
        return QStringLiteral("CLOB");
    if (Paradox::isBinary(field.type))
        return QStringLiteral("BLOB");
    return QStringLiteral("VARCHAR(%1)").arg(textWidth(field));
}

// The declared type of a column the program addresses by name: its own
// kind, and a text column no narrower than the Paradox field.
QString declaredType(const Schema::Column &column, const Paradox::Field &field)
{
    if (column.kind != Schema::Kind::Text)
        return Schema::declaredType(column);
    return QStringLiteral("VARCHAR(%1)").arg(std::max(column.width, textWidth(field)));
}

// The logo column keeps bitmaps: another picture is stored as one, as the
// browser stores a picture the user loads; bytes that are no picture leave
// the column empty (the Paradox file keeps them).
QVariant logo(const QByteArray &bytes, qsizetype record, const QString &column, QStringList &changes)
{
    if (isBitmap(bytes))
        return bytes;
    const QImage image = QImage::fromData(bytes);
    QByteArray stored;
    QBuffer buffer(&stored);
    if (!image.isNull() && buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "BMP")) {
        changes << QStringLiteral("запис %1: картината в „%2“ не беше растерно изображение (BMP) и е "
                                  "преобразувана в такова")
                       .arg(record + 1)
                       .arg(column);
        return stored;
    }
    changes << QStringLiteral("запис %1: „%2“ не съдържа картина, която може да бъде прочетена; "
                              "колоната е оставена празна")
                   .arg(record + 1)
                   .arg(column);
    return QVariant();
}

struct Converted {
    TableMaker::TableDefinition definition;
    QList<QVariantMap> records;
    TableSummary summary;
};

Converted convertTable(const Schema::Table &schema, const Paradox::Table &table)
{
    Converted result;
    TableSummary &summary = result.summary;
    summary.fileName = schema.fileName;
    summary.fromParadox = true;
    result.definition = {schema.fileName, schema.sqlName, {}, schema.extraStatements};

    // Each Paradox field, in order, under its own name; a field the program
    // knows by name keeps the kind the program gives it.
    QList<const Schema::Column *> named;
    for (const Paradox::Field &field : table.fields) {
        const Schema::Column *known = nullptr;
        for (const Schema::Column &column : schema.columns) {
            if (column.name.compare(field.name, Qt::CaseInsensitive) == 0)
                known = &column;
        }
        named.append(known);
        result.definition.columns.append(
            {field.name, known ? declaredType(*known, field) : declaredType(field)});
    }
    // A column the program needs and the table lacks is added, empty.
    for (const Schema::Column &column : schema.columns) {
        if (!named.contains(&column)) {
            result.definition.columns.append({column.name, Schema::declaredType(column)});
            summary.changes << QStringLiteral("колоната „%1“ липсваше и е добавена празна").arg(column.name);
        }
    }
    summary.columns = result.definition.columns.size();

    result.records.reserve(table.records.size());
    for (qsizetype number = 0; number < table.records.size(); ++number) {
        const QVariantList &values = table.records[number];
        QVariantMap record;
        for (qsizetype i = 0; i < table.fields.size(); ++i) {
            QVariant value = values[i];
            const bool picture = named[i] && named[i]->kind == Schema::Kind::Picture;
            if (picture && value.typeId() == QMetaType::QByteArray)
                value = logo(value.toByteArray(), number, table.fields[i].name, summary.changes);
            else if (picture && value.isValid()) {
                summary.changes << QStringLiteral("запис %1: „%2“ съдържа текст, не картина; колоната е "
                                                  "оставена празна")
                                       .arg(number + 1)
                                       .arg(table.fields[i].name);
                value = QVariant();
            }
            if (value.isValid() && (picture || table.fields[i].type == FieldType::Graphic))
                ++summary.pictures;
            record.insert(table.fields[i].name, value);
        }
        result.records.append(std::move(record));
    }
    summary.records = result.records.size();
    return result;
}

// The files of one Paradox table: its .DB and every file of the same name
// beside it (.MB, .PX, secondary indexes, validity checks).
QStringList tableFiles(const QString &tablePath)
{
    const QFileInfo table(tablePath);
    QStringList files;
    for (const QFileInfo &file : table.dir().entryInfoList(QDir::Files)) {
        if (file.baseName().compare(table.baseName(), Qt::CaseInsensitive) == 0)
            files << file.absoluteFilePath();
    }
    return files;
}

} // namespace

QStringList paradoxTables(const QString &dataFolder)
{
    QStringList found;
    const QDir folder(dataFolder);
    for (const Schema::Table &table : Schema::tables()) {
        const QString path = findFile(folder, table.fileName);
        if (!path.isEmpty() && Paradox::looksLikeTable(firstBytes(path)))
            found << QFileInfo(path).fileName();
    }
    return found;
}

Outcome convert(const QString &startFolder, const QDateTime &now, Progress &progress)
{
    const QDir data(QDir(startFolder).absoluteFilePath(QStringLiteral("DB")));
    // First every table is read; nothing is moved until all of them are.
    QList<Converted> converted;
    QStringList paradoxFiles;
    std::optional<ProgressStep> reading(std::in_place, progress, ReadingParadoxText,
                                        paradoxTables(data.path()).size(), ConversionStoppedText);
    for (const Schema::Table &schema : Schema::tables()) {
        const QString path = findFile(data, schema.fileName);
        if (path.isEmpty())
            continue;
        const QByteArray first = firstBytes(path);
        if (isSqlite(first))
            throw Failure(QStringLiteral("В папката „%1“ вече има таблици на програмата („%2“): "
                                         "таблиците на Paradox не са преобразувани.")
                              .arg(shown(data.path()), QFileInfo(path).fileName()));
        if (!Paradox::looksLikeTable(first))
            throw Failure(QStringLiteral("Файлът „%1“ не е таблица на Paradox, нито таблица на програмата: "
                                         "таблиците не са преобразувани.")
                              .arg(shown(path)));
        converted.append(convertTable(schema, Paradox::readTable(path)));
        paradoxFiles << tableFiles(path);
        reading->advance(converted.size());
    }
    if (converted.isEmpty())
        throw Failure(QStringLiteral("В папката „%1“ няма таблици на Paradox за преобразуване.").arg(shown(data.path())));

    reading.reset();
    qsizetype total = 0;
    for (const Converted &table : std::as_const(converted))
        total += table.records.size();
    ProgressStep writing(progress, ConvertingText, total, ConversionStoppedText, 200);
    qsizetype written = 0;

    Outcome outcome;
    const QDir kept(data.filePath(QStringLiteral("paradox-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    outcome.keptIn = kept.path();
    if (kept.exists() || !data.mkdir(kept.dirName()))
        throw Failure(QStringLiteral("Папката „%1“ не може да бъде създадена.").arg(shown(kept.path())));
    QStringList moved, made;
    const auto undo = [&] {
        for (const QString &file : made)
            QFile::remove(file);
        for (const QString &file : moved)
            QFile::rename(kept.filePath(QFileInfo(file).fileName()), file);
        data.rmdir(kept.dirName());
    };
    try {
        for (const QString &file : paradoxFiles) {
            if (!QFile::rename(file, kept.filePath(QFileInfo(file).fileName())))
                throw Failure(QStringLiteral("Файлът „%1“ не може да бъде преместен в „%2“.")
                                  .arg(shown(file), shown(kept.path())));
            moved << file;
        }
        for (const Converted &table : converted) {
            // Stopped half-way, the table maker removes the file it was making.
            const auto record = [&](qsizetype index) {
                writing.advance(++written);
                return table.records[index];
            };
            if (!TableMaker::makeTable(data.path(), table.definition, table.records.size(), record))
                throw Failure(QStringLiteral("Файлът „%1“ се появи по време на преобразуването.")
                                  .arg(shown(data.filePath(table.definition.fileName))));
            made << data.filePath(table.definition.fileName);
            outcome.tables.append(table.summary);
        }
        // The tables the old folder did not have start empty.
        for (const TableMaker::TableDefinition &table : TableMaker::referenceTables()) {
            if (!TableMaker::makeTable(data.path(), table))
                continue;
            made << data.filePath(table.fileName);
            TableSummary empty;
            empty.fileName = table.fileName;
            empty.columns = table.columns.size();
            outcome.tables.append(empty);
        }
    } catch (...) {
        undo();
        throw;
    }
    // In the order of the main menu.
    std::sort(outcome.tables.begin(), outcome.tables.end(), [](const TableSummary &a, const TableSummary &b) {
        const auto place = [](const QString &name) {
            const QList<Schema::Table> &all = Schema::tables();
            return std::find_if(all.begin(), all.end(), [&](const Schema::Table &t) { return t.fileName == name; })
                   - all.begin();
        };
        return place(a.fileName) < place(b.fileName);
    });
    return outcome;
}

QString summaryText(const Outcome &outcome)
{
    QStringList parts;
    for (const TableSummary &table : outcome.tables) {
        if (!table.fromParadox) {
            parts << QStringLiteral("%1: нямаше таблица на Paradox; създадена е празна.").arg(table.fileName);
            continue;
        }
        QString part = QStringLiteral("%1: записи %2, колони %3, картини %4.")
                           .arg(table.fileName)
                           .arg(table.records)
                           .arg(table.columns)
                           .arg(table.pictures);
        if (table.changes.isEmpty())
            part += QStringLiteral(" Нищо не е променено.");
        else
            part += QStringLiteral(" Променено:\n  ") + table.changes.join(QStringLiteral("\n  "));
        parts << part;
    }
    return QStringLiteral("Таблиците на Paradox са преобразувани. Файловете им са запазени непроменени в „%1“.\n\n")
               .arg(shown(outcome.keptIn))
           + parts.join(QStringLiteral("\n"));
}

} // namespace MovingIn
