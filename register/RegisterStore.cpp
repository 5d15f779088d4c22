#include "register/RegisterStore.h"

#include "common/Failure.h"
#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "reference/StoreFailure.h"
#include "reference/Transaction.h"
#include "register/IssuedRules.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <memory>
#include <sqlite3.h>

// Why one transaction over two files is sound here: the register is the main
// database of its connection and Firm.db is attached to it for the write.
// Both files keep SQLite's rollback journal (the program never switches a
// table to WAL), so a transaction that writes both commits through a
// super-journal: after a crash or a kill, SQLite rolls both files back or
// keeps both, never one of them. BEGIN IMMEDIATE takes the write lock of
// both files at once, so no other program comes between reading the
// register's key and writing the number.

namespace {

using namespace Schema::Register;

std::atomic<int> connectionCounter{0};

const QString CannotStore = QStringLiteral("Документът не може да бъде записан в регистъра");
const QString CannotRead = QStringLiteral("Регистърът на издадените документи не може да бъде прочетен");
const QString FirmSchema = QStringLiteral("firm");

QString q(const Schema::Column &column) { return Schema::quoted(column.name); }
QString q(const Schema::Table &table) { return Schema::quoted(table.sqlName); }

void exec(QSqlQuery &query, const QString &action)
{
    if (!query.exec())
        throw storeFailure(action, query.lastError());
}

void exec(const QSqlDatabase &database, const QString &statement, const QString &action)
{
    QSqlQuery query(database);
    if (!query.exec(statement))
        throw storeFailure(action, query.lastError());
}

QString createTable(const Schema::Table &table)
{
    QStringList columns;
    for (const Schema::Column &column : table.columns) {
        QString definition = Schema::quoted(column.name) + u' ' + Schema::declaredType(column);
        if (column.name == Id.name && &table == &documents())
            definition += QStringLiteral(" PRIMARY KEY");
        else if (column.kind == Schema::Kind::Integer && column.name != Copies.name)
            definition += QStringLiteral(" NOT NULL");
        else if (column.name == Copies.name)
            definition += QStringLiteral(" NOT NULL DEFAULT 0");
        columns << definition;
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(q(table), columns.join(QStringLiteral(", ")));
}

QString refuse(const QString &trigger, const QString &when)
{
    return QStringLiteral("CREATE TRIGGER %1 %2 BEGIN SELECT RAISE(ABORT, 'the register is append-only'); END")
        .arg(Schema::quoted(trigger), when);
}

// The store, not only the program, keeps the register append-only: nothing
// is deleted, and of a document only the copy count (upwards) and the cancel
// mark (once) change.
QStringList appendOnlyTriggers()
{
    QStringList fixed;
    for (const Schema::Column &column : documents().columns) {
        if (column.name != Copies.name && column.name != LastCopyAt.name && column.name != CancelledAt.name
            && column.name != CancelReason.name)
            fixed << q(column);
    }
    const QString docs = q(documents());
    return {
        refuse(QStringLiteral("Документите не се изтриват"), QStringLiteral("BEFORE DELETE ON ") + docs),
        refuse(QStringLiteral("Документите не се променят"),
               QStringLiteral("BEFORE UPDATE OF %1 ON %2").arg(fixed.join(u','), docs)),
        refuse(QStringLiteral("Анулира се веднъж"),
               QStringLiteral("BEFORE UPDATE OF %1, %2 ON %3 WHEN OLD.%1 IS NOT NULL")
                   .arg(q(CancelledAt), q(CancelReason), docs)),
        refuse(QStringLiteral("Копията не намаляват"),
               QStringLiteral("BEFORE UPDATE OF %1 ON %2 WHEN NEW.%1 < OLD.%1").arg(q(Copies), docs)),
        refuse(QStringLiteral("Редовете не се изтриват"), QStringLiteral("BEFORE DELETE ON ") + q(lines())),
        refuse(QStringLiteral("Редовете не се променят"), QStringLiteral("BEFORE UPDATE ON ") + q(lines())),
        refuse(QStringLiteral("Редовете на известието не се изтриват"),
               QStringLiteral("BEFORE DELETE ON ") + q(noteRows())),
        refuse(QStringLiteral("Редовете на известието не се променят"),
               QStringLiteral("BEFORE UPDATE ON ") + q(noteRows())),
    };
}

QVariant units(Amount amount) { return QVariant::fromValue<qlonglong>(amount.units()); }
Amount amount(const QVariant &value) { return Amount::fromUnits(value.toLongLong()); }

QString insertStatement(const Schema::Table &table, const QList<Schema::Column> &columns)
{
    QStringList names;
    for (const Schema::Column &column : columns)
        names << Schema::quoted(column.name);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(q(table), names.join(u','), QStringList(names.size(), QStringLiteral("?")).join(u','));
}

void insert(const QSqlDatabase &database, const Schema::Table &table, const QList<Schema::Column> &columns,
            const QVariantList &values)
{
    QSqlQuery query(database);
    query.prepare(insertStatement(table, columns));
    for (const QVariant &value : values)
        query.addBindValue(value);
    exec(query, CannotStore);
}

QString whereClause(const RegisterQuery &query, QVariantList &bind)
{
    QStringList conditions;
    const QString probe = IssuedRules::searchProbe(query.text);
    if (!probe.isEmpty()) {
        conditions << QStringLiteral("instr(%1, ?) > 0").arg(q(SearchText));
        bind << probe;
    }
    if (query.from.isValid()) {
        conditions << QStringLiteral("%1 >= ?").arg(q(SortDate));
        bind << query.from.toString(Qt::ISODate);
    }
    if (query.to.isValid()) {
        conditions << QStringLiteral("%1 <= ?").arg(q(SortDate));
        bind << query.to.toString(Qt::ISODate);
    }
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

RegisterRow rowFrom(const QSqlQuery &query)
{
    const QSqlRecord record = query.record();
    const auto text = [&](const Schema::Column &column) { return record.value(column.name).toString(); };
    RegisterRow row;
    row.id = record.value(Id.name).toLongLong();
    row.number = text(Number);
    row.date = text(IssueDate);
    row.kind = IssuedRules::shownKind(IssuedRules::kindFromText(text(DocumentType)),
                                      IssuedRules::noteFromText(text(Note)));
    row.client = text(Client);
    row.clientEik = text(ClientEik);
    row.taxBase = amount(record.value(TaxBase.name));
    row.vat = amount(record.value(Vat.name));
    row.total = amount(record.value(Total.name));
    row.currency = currencyFromText(text(CurrencySign)).value_or(Currency::Leva);
    row.copies = record.value(Copies.name).toInt();
    row.lastCopyAt = text(LastCopyAt);
    row.cancelledAt = text(CancelledAt);
    row.cancelReason = text(CancelReason);
    row.archiveImage = text(ArchiveImage);
    row.pdfCopy = text(PdfCopy);
    row.printedAt = text(PrintedAt);
    return row;
}

QString rowColumns()
{
    QStringList names;
    for (const Schema::Column &column : {Id, Number, IssueDate, DocumentType, Note, Client, ClientEik, TaxBase, Vat,
                                         Total, CurrencySign, Copies, LastCopyAt, CancelledAt, CancelReason,
                                         ArchiveImage, PdfCopy, PrintedAt})
        names << q(column);
    return names.join(u',');
}

// The table of an attached file: the one named like its file, else the first.
QString attachedTable(const QSqlDatabase &database, const QString &schema, const QString &fileName)
{
    QSqlQuery tables(database);
    if (!tables.exec(QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table' "
                                    "AND name NOT LIKE 'sqlite~_%' ESCAPE '~' ORDER BY rowid")
                         .arg(schema)))
        throw storeFailure(CannotStore, tables.lastError());
    const QString baseName = QFileInfo(fileName).completeBaseName();
    QString found;
    while (tables.next()) {
        const QString name = tables.value(0).toString();
        if (found.isEmpty() || name.compare(baseName, Qt::CaseInsensitive) == 0)
            found = name;
    }
    if (found.isEmpty())
        throw Failure(CannotStore + QStringLiteral(": файлът „%1“ не съдържа таблица.").arg(fileName));
    return found;
}

QString withoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

PrintStamp PrintStamp::now()
{
    return {QDateTime::currentDateTime(), IssuedRules::machineName(), IssuedRules::userName()};
}

QString RegisterStore::filePath(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(FileName);
}

RegisterStore::RegisterStore(const QString &dataFolder) : m_dataFolder(dataFolder)
{
    if (dataFolder.isEmpty() || !QFileInfo(dataFolder).isDir())
        throw Failure(QStringLiteral("Папката с таблиците „%1“ не съществува.")
                          .arg(QDir::toNativeSeparators(dataFolder)));
    const QString path = filePath(dataFolder);
    const QString openAction = QStringLiteral("Регистърът на издадените документи „%1“ не може да бъде отворен")
                                   .arg(QDir::toNativeSeparators(path));
    m_connection = QStringLiteral("bilvaro.register.%1").arg(++connectionCounter);
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_database.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutSeconds * 1000));
    m_database.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rwc"));
    try {
        if (!m_database.open())
            throw storeFailure(openAction, m_database.lastError());
        makeTables();
    } catch (...) {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

RegisterStore::~RegisterStore()
{
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

// A start folder without a register gets an empty one; two programs making
// it at once make it once.
void RegisterStore::makeTables()
{
    const auto exists = [this] {
        QSqlQuery query(m_database);
        query.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"));
        query.addBindValue(documents().sqlName);
        exec(query, CannotRead);
        return query.next() && query.value(0).toInt() > 0;
    };
    if (exists())
        return;
    const QString action = QStringLiteral("Регистърът на издадените документи не може да бъде създаден");
    Transaction transaction(m_database);
    if (exists())
        return;
    for (const Schema::Table *table : {&documents(), &lines(), &noteRows()}) {
        exec(m_database, createTable(*table), action);
        for (const QString &statement : table->extraStatements)
            exec(m_database, statement, action);
    }
    for (const QString &trigger : appendOnlyTriggers())
        exec(m_database, trigger, action);
    exec(m_database, QStringLiteral("PRAGMA user_version = 1"), action);
    transaction.commit();
}

std::optional<qint64> RegisterStore::documentId(const QString &company, NumberSeries series,
                                                const QString &number) const
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND %4 = ? AND %5 = ?")
                      .arg(q(Id), q(documents()), q(Company), q(Series), q(Number)));
    query.addBindValue(company);
    query.addBindValue(IssuedRules::seriesText(series));
    query.addBindValue(number);
    exec(query, CannotRead);
    if (!query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

QList<qint64> RegisterStore::invoicesFor(const QString &company, const QString &clientEik,
                                         const QString &clientName) const
{
    const QString eik = withoutBlanks(clientEik);
    if (eik.isEmpty() && clientName.isEmpty())
        return {};
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND %4 = ? AND %5 = ? AND %6 IS NULL AND %7 = ? "
                                 "ORDER BY %8 DESC, %1 DESC")
                      .arg(q(Id), q(documents()), q(Company), q(DocumentType), q(Note), q(CancelledAt),
                           eik.isEmpty() ? q(Client) : QStringLiteral("REPLACE(%1, ' ', '')").arg(q(ClientEik)),
                           q(SortDate)));
    query.addBindValue(company);
    query.addBindValue(IssuedRules::kindText(DocumentKind::Invoice));
    query.addBindValue(QStringLiteral(""));  // no note: stored as an empty text, never NULL
    query.addBindValue(eik.isEmpty() ? clientName : eik);
    exec(query, CannotRead);
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

Recorded RegisterStore::recordPrint(const Invoice &printed, const ArchiveFiles &files, PrintMode mode,
                                    const PrintStamp &stamp)
{
    Invoice document = printed;
    document.number = PrintRules::recordedNumber(printed.number);
    const QString company = IssuedRules::companyKey(document.supplier);
    const NumberSeries series = numberSeries(document.kind);

    const QString firmPath = QDir(m_dataFolder).filePath(Schema::Firm::FileName);
    if (!QFileInfo(firmPath).isFile())
        throw Failure(QStringLiteral("Таблицата „%1“ не съществува.").arg(QDir::toNativeSeparators(firmPath)));
    QSqlQuery attach(m_database);
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS ") + FirmSchema);
    attach.addBindValue(QUrl::fromLocalFile(firmPath).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    exec(attach, CannotStore);
    struct Detach {
        QSqlDatabase database;
        ~Detach() { QSqlQuery(database).exec(QStringLiteral("DETACH DATABASE ") + FirmSchema); }
    } detach{m_database};

    Transaction transaction(m_database);
    if (const std::optional<qint64> held = documentId(company, series, document.number)) {
        const RegisterRow stored = row(*held);
        if (invoice(*held) != document)
            throw Failure(IssuedRules::numberTakenMessage(document.number, stored.kind, stored.date, stored.client));
        if (mode == PrintMode::Original && !stored.cancelledAt.isEmpty())
            throw Failure(IssuedRules::cancelledOriginalMessage(document.number, stored.date));
        countCopy(*held, stamp.time);
        transaction.commit();
        return Recorded::CopyCounted;
    }
    insertDocument(document, files, mode, stamp);
    writeBackNumber(document);
    transaction.commit();
    return Recorded::NewDocument;
}

qint64 RegisterStore::insertDocument(const Invoice &invoice, const ArchiveFiles &files, PrintMode mode,
                                     const PrintStamp &stamp)
{
    const QString printed = IssuedRules::timeText(stamp.time);
    QHash<QString, QVariant> values{
        {Company.name, IssuedRules::companyKey(invoice.supplier)},
        {Series.name, IssuedRules::seriesText(numberSeries(invoice.kind))},
        {Number.name, invoice.number},
        {DocumentType.name, IssuedRules::kindText(invoice.kind)},
        {Heading.name, invoice.heading},
        {Note.name, IssuedRules::noteText(invoice.note.kind)},
        {NoteInvoiceNumber.name, invoice.note.invoiceNumber},
        {NoteInvoiceDate.name, invoice.note.invoiceDate},
        {IssueDate.name, invoice.issueDate},
        {SortDate.name, IssuedRules::pageDate(invoice.issueDate, stamp.time.date()).toString(Qt::ISODate)},
        {TaxEventDate.name, invoice.texts.taxEventDate},
        {PaymentDate.name, invoice.texts.paymentDate},
        {CurrencySign.name, selectorText(invoice.currency)},
        {FirmRecord.name, invoice.supplier.recordNo},
        {Supplier.name, invoice.supplier.party.name},
        {SupplierSecondLine.name, invoice.supplier.nameSecondLine},
        {SupplierAddressSecondLine.name, invoice.supplier.addressSecondLine},
        {SupplierAddress.name, invoice.supplier.party.address},
        {SupplierManager.name, invoice.supplier.party.manager},
        {SupplierVatNumber.name, invoice.supplier.party.vatNumber},
        {SupplierEik.name, invoice.supplier.party.eik},
        {PlaceOfIssue.name, invoice.supplier.placeOfIssue},
        {Client.name, invoice.client.name},
        {ClientAddress.name, invoice.client.address},
        {ClientManager.name, invoice.client.manager},
        {ClientVatNumber.name, invoice.client.vatNumber},
        {ClientEik.name, invoice.client.eik},
        {PaymentTerms.name, invoice.payment.terms},
        {Bank.name, invoice.payment.bank},
        {Iban.name, invoice.payment.iban},
        {Bic.name, invoice.payment.bic},
        {TaxBase.name, units(invoice.totals.taxBase)},
        {VatRate.name, invoice.totals.rate},
        {Vat.name, units(invoice.totals.vat)},
        {Total.name, units(invoice.totals.total)},
        {Words.name, invoice.texts.words},
        {VatBasis.name, invoice.texts.vatBasis},
        {VatBasisCaption.name, invoice.texts.vatBasisCaption},
        {VehicleBasis.name, invoice.texts.vehicleBasis},
        {Receiver.name, invoice.texts.receiver},
        {Composer.name, invoice.texts.composer},
        {ArchiveImage.name, files.image},
        {PdfCopy.name, files.pdf},
        {PrintedAt.name, printed},
        {Machine.name, stamp.machine},
        {User.name, stamp.user},
        {Copies.name, mode == PrintMode::Copy ? 1 : 0},
        {LastCopyAt.name, mode == PrintMode::Copy ? QVariant(printed) : QVariant()},
        {SearchText.name, IssuedRules::searchText(invoice)},
    };
    QList<Schema::Column> columns;
    QVariantList bind;
    for (const Schema::Column &column : documents().columns) {
        if (column.name == Id.name || !values.contains(column.name))
            continue;
        columns << column;
        const QVariant value = values.value(column.name);
        // Texts are stored as texts, empty ones too: a read gives back what was printed.
        bind << (value.typeId() == QMetaType::QString && value.toString().isNull() ? QVariant(QStringLiteral(""))
                                                                                  : value);
    }
    insert(m_database, documents(), columns, bind);
    QSqlQuery last(m_database);
    if (!last.exec(QStringLiteral("SELECT last_insert_rowid()")) || !last.next())
        throw storeFailure(CannotStore, last.lastError());
    const qint64 id = last.value(0).toLongLong();

    for (const InvoiceLine &line : invoice.lines)
        insert(m_database, lines(),
               {LineDocument, LineNumber, LineDescription, LineUnit, LineQuantity, LinePrice, LineValue},
               {id, line.number, line.description, line.unit, units(line.quantity), units(line.price),
                units(line.value)});
    for (qsizetype place = 0; place < invoice.note.references.size(); ++place) {
        const NoteReference &reference = invoice.note.references[place];
        insert(m_database, noteRows(), {RowDocument, RowPlace, RowNumber, RowAccount, RowAmount},
               {id, int(place + 1), reference.number, reference.account, reference.amount});
    }
    return id;
}

// The own company's record takes the number as the last of its series,
// unless it holds a later one already (a reprint of an old number).
void RegisterStore::writeBackNumber(const Invoice &invoice)
{
    const QString table = attachedTable(m_database, FirmSchema, Schema::Firm::FileName);
    const QString column = numberSeries(invoice.kind) == NumberSeries::Proforma ? Schema::Firm::LastProforma.name
                                                                                 : Schema::Firm::LastInvoice.name;
    const int recordNo = invoice.supplier.recordNo;
    QSqlQuery record(m_database);
    record.prepare(QStringLiteral("SELECT rowid AS \"__key\", * FROM %1.%2 ORDER BY rowid LIMIT 1 OFFSET ?")
                       .arg(FirmSchema, Schema::quoted(table)));
    record.addBindValue(std::max(recordNo, 1) - 1);
    exec(record, CannotStore);
    const QString againNote = QStringLiteral(" Натиснете отново „Към фактурата“ и отпечатайте документа пак.");
    if (recordNo < 1 || !record.next())
        throw Failure(CannotStore + QStringLiteral(": собствената фирма (запис %1) вече не е в таблицата „%2“.")
                                        .arg(recordNo)
                                        .arg(Schema::Firm::FileName)
                      + againNote);
    const QSqlRecord stored = record.record();
    const int eikField = stored.indexOf(Schema::Firm::IdNumber.name);
    if (eikField >= 0 && withoutBlanks(stored.value(eikField).toString()) != withoutBlanks(invoice.supplier.party.eik))
        throw Failure(CannotStore + QStringLiteral(": запис %1 на таблицата „%2“ вече не е фирмата на документа.")
                                        .arg(recordNo)
                                        .arg(Schema::Firm::FileName)
                      + againNote);
    const int numberField = stored.indexOf(column);
    if (numberField < 0)
        throw Failure(CannotStore + QStringLiteral(": таблицата „%1“ няма колона „%2“.")
                                        .arg(Schema::Firm::FileName, column));
    const qint64 key = stored.value(0).toLongLong();
    const QString storedName = stored.fieldName(numberField);
    bool isNumber = false;
    const qlonglong last = stored.value(numberField).toString().trimmed().toLongLong(&isNumber);
    record.finish();
    if (isNumber && last >= invoice.number.toLongLong())
        return;
    QSqlQuery update(m_database);
    update.prepare(QStringLiteral("UPDATE %1.%2 SET %3 = ? WHERE rowid = ?")
                       .arg(FirmSchema, Schema::quoted(table), Schema::quoted(storedName)));
    update.addBindValue(invoice.number);
    update.addBindValue(key);
    exec(update, CannotStore);
}

void RegisterStore::countCopy(qint64 id, const QDateTime &at)
{
    QSqlQuery update(m_database);
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = %2 + 1, %3 = ? WHERE %4 = ?")
                       .arg(q(documents()), q(Copies), q(LastCopyAt), q(Id)));
    update.addBindValue(IssuedRules::timeText(at));
    update.addBindValue(id);
    exec(update, CannotStore);
}

void RegisterStore::cancel(qint64 id, const QString &reason, const QDateTime &at)
{
    if (reason.trimmed().isEmpty())
        throw Failure(IssuedRules::noReasonMessage());
    Transaction transaction(m_database);
    const RegisterRow stored = row(id);
    if (!stored.cancelledAt.isEmpty())
        throw Failure(IssuedRules::alreadyCancelledMessage(stored.number, stored.cancelledAt));
    QSqlQuery update(m_database);
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ? WHERE %4 = ?")
                       .arg(q(documents()), q(CancelledAt), q(CancelReason), q(Id)));
    update.addBindValue(IssuedRules::timeText(at));
    update.addBindValue(reason.trimmed());
    update.addBindValue(id);
    exec(update, QStringLiteral("Документът не може да бъде анулиран"));
    transaction.commit();
}

// Goes through every document the query finds, so it reads them straight
// from SQLite on Qt's connection: a value through QSqlQuery costs a QVariant
// each, several times the reading itself.
RegisterStore::Listing RegisterStore::list(const RegisterQuery &query) const
{
    QVariantList bind;
    const QByteArray sql =
        QStringLiteral("SELECT %1, %2, %3, %4, %5 IS NULL, %6, %7, %8 FROM %9%10 ORDER BY %11 DESC, %1 DESC")
            .arg(q(Id), q(CurrencySign), q(DocumentType), q(Note), q(CancelledAt), q(TaxBase), q(Vat), q(Total),
                 q(documents()))
            .arg(whereClause(query, bind), q(SortDate))
            .toUtf8();
    sqlite3 *database = *static_cast<sqlite3 *const *>(m_database.driver()->handle().constData());
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(database, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
        throw storeFailure(CannotRead, sqlite3_errcode(database), QString::fromUtf8(sqlite3_errmsg(database)));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> finalize(statement, sqlite3_finalize);
    QList<QByteArray> texts;
    for (const QVariant &value : bind)
        texts << value.toString().toUtf8();
    for (int i = 0; i < texts.size(); ++i)
        sqlite3_bind_text(statement, i + 1, texts[i].constData(), int(texts[i].size()), SQLITE_STATIC);

    const auto text = [statement](int column) {
        return QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                              sqlite3_column_bytes(statement, column));
    };
    const QByteArray proforma = IssuedRules::kindText(DocumentKind::Proforma).toUtf8();
    const QByteArray credit = IssuedRules::noteText(NoteKind::Credit).toUtf8();
    const QByteArray euro = selectorText(Currency::Euro).toUtf8();
    Listing listing;
    CurrencySum perCurrency[2];
    perCurrency[1].currency = Currency::Euro;
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        listing.ids << sqlite3_column_int64(statement, 0);
        // What was sold: a credit note counts against it; a proforma (an
        // offer) and a cancelled document do not count.
        if (sqlite3_column_int(statement, 4) == 0 || text(2) == proforma)
            continue;
        CurrencySum &sum = perCurrency[text(1) == euro ? 1 : 0];
        const std::int64_t sign = text(3) == credit ? -1 : 1;
        ++sum.count;
        sum.taxBase = sum.taxBase + Amount::fromUnits(sign * sqlite3_column_int64(statement, 5));
        sum.vat = sum.vat + Amount::fromUnits(sign * sqlite3_column_int64(statement, 6));
        sum.total = sum.total + Amount::fromUnits(sign * sqlite3_column_int64(statement, 7));
    }
    if (result != SQLITE_DONE)
        throw storeFailure(CannotRead, sqlite3_errcode(database), QString::fromUtf8(sqlite3_errmsg(database)));
    for (const CurrencySum &sum : perCurrency) {
        if (sum.count > 0)
            listing.sums << sum;
    }
    return listing;
}

QList<RegisterRow> RegisterStore::rows(const QList<qint64> &ids) const
{
    QList<RegisterRow> found;
    if (ids.isEmpty())
        return found;
    QStringList numbers;
    for (qint64 id : ids)
        numbers << QString::number(id);
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    if (!select.exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                         .arg(rowColumns(), q(documents()), q(Id), numbers.join(u','))))
        throw storeFailure(CannotRead, select.lastError());
    QHash<qint64, RegisterRow> byId;
    while (select.next()) {
        RegisterRow row = rowFrom(select);
        byId.insert(row.id, row);
    }
    for (qint64 id : ids) {
        if (byId.contains(id))
            found << byId.value(id);
    }
    return found;
}

RegisterRow RegisterStore::row(qint64 id) const
{
    const QList<RegisterRow> found = rows({id});
    if (found.isEmpty())
        throw Failure(CannotRead + QStringLiteral(": документът не е намерен."));
    return found.first();
}

Invoice RegisterStore::invoice(qint64 id) const
{
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    select.prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(q(documents()), q(Id)));
    select.addBindValue(id);
    exec(select, CannotRead);
    if (!select.next())
        throw Failure(CannotRead + QStringLiteral(": документът не е намерен."));
    const QSqlRecord record = select.record();
    const auto text = [&](const Schema::Column &column) { return record.value(column.name).toString(); };
    Invoice invoice;
    invoice.kind = IssuedRules::kindFromText(text(DocumentType));
    invoice.note.kind = IssuedRules::noteFromText(text(Note));
    invoice.note.invoiceNumber = text(NoteInvoiceNumber);
    invoice.note.invoiceDate = text(NoteInvoiceDate);
    invoice.number = text(Number);
    invoice.issueDate = text(IssueDate);
    invoice.currency = currencyFromText(text(CurrencySign)).value_or(Currency::Leva);
    invoice.supplier.recordNo = record.value(FirmRecord.name).toInt();
    invoice.supplier.party = {text(Supplier), text(SupplierAddress), text(SupplierManager), text(SupplierVatNumber),
                              text(SupplierEik)};
    invoice.heading = text(Heading);
    invoice.supplier.placeOfIssue = text(PlaceOfIssue);
    invoice.supplier.nameSecondLine = text(SupplierSecondLine);
    invoice.supplier.addressSecondLine = text(SupplierAddressSecondLine);
    invoice.client = {text(Client), text(ClientAddress), text(ClientManager), text(ClientVatNumber), text(ClientEik)};
    invoice.payment = {text(PaymentTerms), text(Bank), text(Iban), text(Bic)};
    invoice.totals = {amount(record.value(TaxBase.name)), text(VatRate), amount(record.value(Vat.name)),
                      amount(record.value(Total.name))};
    invoice.texts = {text(Words),       text(VatBasis), text(VatBasisCaption), text(VehicleBasis),
                     text(TaxEventDate), text(PaymentDate), text(Receiver),  text(Composer)};
    select.finish();

    QSqlQuery lineRows(m_database);
    lineRows.setForwardOnly(true);
    lineRows.prepare(QStringLiteral("SELECT %1, %2, %3, %4, %5, %6 FROM %7 WHERE %8 = ? ORDER BY rowid")
                         .arg(q(LineNumber), q(LineDescription), q(LineUnit), q(LineQuantity), q(LinePrice),
                              q(LineValue), q(lines()), q(LineDocument)));
    lineRows.addBindValue(id);
    exec(lineRows, CannotRead);
    while (lineRows.next()) {
        invoice.lines << InvoiceLine{lineRows.value(0).toInt(), lineRows.value(1).toString(),
                                     lineRows.value(2).toString(), amount(lineRows.value(3)),
                                     amount(lineRows.value(4)), amount(lineRows.value(5))};
    }
    QSqlQuery references(m_database);
    references.setForwardOnly(true);
    references.prepare(QStringLiteral("SELECT %1, %2, %3 FROM %4 WHERE %5 = ? ORDER BY %6")
                           .arg(q(RowNumber), q(RowAccount), q(RowAmount), q(noteRows()), q(RowDocument),
                                q(RowPlace)));
    references.addBindValue(id);
    exec(references, CannotRead);
    while (references.next()) {
        invoice.note.references << NoteReference{references.value(0).toString(), references.value(1).toString(),
                                                 references.value(2).toString()};
    }
    return invoice;
}
