#include "register/RegisterStore.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "platform/PrivateFiles.h"
#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "register/IssuedRules.h"
#include "server/ServerConnection.h"
#include "store/SqlDialect.h"
#include "store/StoreFailure.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

// Why one transaction over two files is sound here: the register is the main
// database of its connection and Firm.db is attached to it for the write.
// Both files keep SQLite's rollback journal (the program never switches a
// table to WAL), so a transaction that writes both commits through a
// super-journal: after a crash or a kill, SQLite rolls both files back or
// keeps both, never one of them. BEGIN IMMEDIATE takes the write lock of
// both files at once, so no other program comes between reading the
// register's key and writing the number.
//
// On a server the register and "Firm" are tables of one database, so one
// transaction holds both anyway. A print takes "Firm"'s lock (SHARE ROW
// EXCLUSIVE, as the table store's writes do) before it reads the register's
// key: two machines printing at once record one after the other, and the
// second sees the first's number.

namespace {

using namespace Schema::Register;

std::atomic<int> connectionCounter{0};

const QString CannotStore = QStringLiteral("Документът не може да бъде записан в регистъра");
const QString CannotRead = QStringLiteral("Регистърът на издадените документи не може да бъде прочетен");
const QString FirmSchema = QStringLiteral("firm");

QString q(const Schema::Column &column) { return Schema::quoted(column.name); }
QString q(const Schema::Table &table) { return Schema::quoted(table.sqlName); }

// The SQL in which SQLite and PostgreSQL differ, all of it: SqliteDialect and PostgresDialect.
using Dialect = SqlDialect;

bool isAdded(const Schema::Column &column)
{
    for (const Schema::Column &added : addedColumns()) {
        if (added.name == column.name)
            return true;
    }
    return false;
}

QString createTable(const Dialect &dialect, const Schema::Table &table)
{
    QStringList columns;
    if (&table != &documents())
        columns << dialect.hiddenKeyColumn();
    columns.removeAll(QString());
    for (const Schema::Column &column : table.columns) {
        QString definition = Schema::quoted(column.name) + u' ' + dialect.columnType(column);
        if (column.name == Id.name && &table == &documents())
            definition += dialect.idKey();
        else if (column.kind == Schema::Kind::Integer && column.name != Copies.name && !isAdded(column))
            definition += QStringLiteral(" NOT NULL");
        else if (column.name == Copies.name)
            definition += QStringLiteral(" NOT NULL DEFAULT 0");
        columns << definition;
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(q(table), columns.join(QStringLiteral(", ")));
}

bool changeable(const Schema::Column &column)
{
    for (const Schema::Column &kept : {Copies, LastCopyAt, CancelledAt, CancelReason, CopyImage, CopyImageSize,
                                        CopyImageHash}) {
        if (kept.name == column.name)
            return true;
    }
    return false;
}

// What an older register gets with the added columns: the sizes and hashes
// of the original's files, and its e-invoice, are as fixed as the rest of
// the document (its trigger names the columns it had when it was made).
QStringList archiveFilesFixed(const Dialect &dialect)
{
    return dialect.refusal(QStringLiteral("Архивът не се променя"),
                           QStringLiteral("UPDATE OF %1, %2, %3, %4")
                               .arg(q(ArchiveImageSize), q(ArchiveImageHash), q(PdfCopySize), q(PdfCopyHash)),
                           q(documents()));
}
QStringList einvoiceFixed(const Dialect &dialect)
{
    return dialect.refusal(QStringLiteral("Е-фактурата не се променя"),
                           QStringLiteral("UPDATE OF %1, %2, %3").arg(q(EInvoiceFile), q(EInvoiceSize), q(EInvoiceHash)),
                           q(documents()));
}

// The store, not only the program, keeps the register append-only: nothing
// is deleted, and of a document only the copy count (upwards) and the cancel
// mark (once) change.
QStringList appendOnlyTriggers(const Dialect &dialect)
{
    QStringList fixed;
    for (const Schema::Column &column : documents().columns) {
        if (!changeable(column))
            fixed << q(column);
    }
    const QString update = QStringLiteral("UPDATE");
    const QString remove = QStringLiteral("DELETE");
    QStringList statements = dialect.refusalFunction();
    statements << dialect.refusal(QStringLiteral("Документите не се изтриват"), remove, q(documents()))
               << dialect.refusal(QStringLiteral("Документите не се променят"),
                                  QStringLiteral("UPDATE OF ") + fixed.join(u','), q(documents()))
               << dialect.refusal(QStringLiteral("Анулира се веднъж"),
                                  QStringLiteral("UPDATE OF %1, %2").arg(q(CancelledAt), q(CancelReason)), q(documents()),
                                  QStringLiteral("OLD.%1 IS NOT NULL").arg(q(CancelledAt)))
               << dialect.refusal(QStringLiteral("Копията не намаляват"), QStringLiteral("UPDATE OF ") + q(Copies),
                                  q(documents()), QStringLiteral("NEW.%1 < OLD.%1").arg(q(Copies)))
               << dialect.refusal(QStringLiteral("Редовете не се изтриват"), remove, q(lines()))
               << dialect.refusal(QStringLiteral("Редовете не се променят"), update, q(lines()))
               << dialect.refusal(QStringLiteral("Редовете на известието не се изтриват"), remove, q(noteRows()))
               << dialect.refusal(QStringLiteral("Редовете на известието не се променят"), update, q(noteRows()));
    for (const Schema::Table *table : {&documents(), &lines(), &noteRows()})
        statements << dialect.refuseTruncate(QStringLiteral("Не се изпразва"), q(*table));
    return statements;
}

// The payments table, made with the register or added to an older one: a
// payment is never changed or deleted; a wrong one is reversed by another.
QStringList paymentsTable(const Dialect &dialect)
{
    return QStringList{createTable(dialect, payments())} << payments().extraStatements << dialect.refusalFunction()
                                                         << dialect.refusal(QStringLiteral("Плащанията не се изтриват"),
                                                                            QStringLiteral("DELETE"), q(payments()))
                                                         << dialect.refusal(QStringLiteral("Плащанията не се променят"),
                                                                            QStringLiteral("UPDATE"), q(payments()))
                                                         << dialect.refuseTruncate(QStringLiteral("Не се изпразва"),
                                                                                   q(payments()));
}

// The received documents keep to the same rule: nothing deleted, nothing
// changed but the cancel mark, once.
QStringList purchaseTable(const Dialect &dialect)
{
    QStringList fixed;
    for (const Schema::Column &column : purchases().columns) {
        if (column.name != CancelledAt.name && column.name != CancelReason.name)
            fixed << q(column);
    }
    QStringList statements{createTable(dialect, purchases())};
    statements << purchases().extraStatements << dialect.refusalFunction()
               << dialect.refusal(QStringLiteral("Покупките не се изтриват"), QStringLiteral("DELETE"), q(purchases()))
               << dialect.refusal(QStringLiteral("Покупките не се променят"),
                                  QStringLiteral("UPDATE OF ") + fixed.join(u','), q(purchases()))
               << dialect.refusal(QStringLiteral("Покупка се анулира веднъж"),
                                  QStringLiteral("UPDATE OF %1, %2").arg(q(CancelledAt), q(CancelReason)), q(purchases()),
                                  QStringLiteral("OLD.%1 IS NOT NULL").arg(q(CancelledAt)))
               // One truncate trigger name per table.
               << dialect.refuseTruncate(QStringLiteral("Покупките не се изпразват"), q(purchases()));
    return statements;
}

QVariant units(Amount amount) { return QVariant::fromValue<qlonglong>(amount.units()); }
// A file's size and hash as stored: NULL where none is known.
QVariant size(const QString &path, const FileDigest &digest)
{
    return path.isEmpty() || !digest.known() ? QVariant(QMetaType::fromType<qlonglong>())
                                             : QVariant::fromValue<qlonglong>(digest.size);
}
QVariant hash(const QString &path, const FileDigest &digest)
{
    return path.isEmpty() || !digest.known() ? QVariant() : QVariant(digest.sha256);
}
FileDigest digest(const QSqlRecord &record, const Schema::Column &size, const Schema::Column &hash)
{
    if (record.isNull(size.name) || record.value(hash.name).toString().isEmpty())
        return {};
    return {record.value(size.name).toLongLong(), record.value(hash.name).toString()};
}
Amount amount(const QVariant &value) { return Amount::fromUnits(value.toLongLong()); }

QString insertStatement(const Schema::Table &table, const QList<Schema::Column> &columns)
{
    QStringList names;
    for (const Schema::Column &column : columns)
        names << Schema::quoted(column.name);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(q(table), names.join(u','), QStringList(names.size(), QStringLiteral("?")).join(u','));
}

QString whereClause(const Dialect &dialect, const RegisterQuery &query, QVariantList &bind)
{
    QStringList conditions;
    const QString probe = IssuedRules::searchProbe(query.text);
    if (!probe.isEmpty()) {
        conditions << dialect.contains().arg(q(SearchText));
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
    row.imageDigest = digest(record, ArchiveImageSize, ArchiveImageHash);
    row.pdfDigest = digest(record, PdfCopySize, PdfCopyHash);
    row.copyImage = text(CopyImage);
    row.copyDigest = digest(record, CopyImageSize, CopyImageHash);
    row.einvoice = text(EInvoiceFile);
    row.einvoiceDigest = digest(record, EInvoiceSize, EInvoiceHash);
    row.supplier = text(Supplier);
    row.supplierEik = text(SupplierEik);
    row.companyKey = text(Company);
    row.paymentDate = text(PaymentDate);
    row.documentKind = IssuedRules::kindFromText(text(DocumentType));
    row.note = IssuedRules::noteFromText(text(Note));
    return row;
}

QString rowColumns()
{
    QStringList names;
    for (const Schema::Column &column : {Id, Number, IssueDate, DocumentType, Note, Client, ClientEik, TaxBase, Vat,
                                         Total, CurrencySign, Copies, LastCopyAt, CancelledAt, CancelReason,
                                         ArchiveImage, PdfCopy, PrintedAt, ArchiveImageSize, ArchiveImageHash,
                                         PdfCopySize, PdfCopyHash, CopyImage, CopyImageSize, CopyImageHash, Supplier,
                                         SupplierEik, EInvoiceFile, EInvoiceSize, EInvoiceHash, Company,
                                         PaymentDate})
        names << q(column);
    return names.join(u',');
}

// The own companies' table as it is named inside Firm.db and on a server.
QString firmSqlName()
{
    for (const Schema::Table &table : Schema::tables()) {
        if (table.fileName == Schema::Firm::FileName)
            return table.sqlName;
    }
    return {};
}

QString withoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

} // namespace

FileDigest FileDigest::of(const QByteArray &bytes)
{
    return {bytes.size(), QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())};
}

FileDigest FileDigest::ofFile(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return {file.size(), QString::fromLatin1(hash.result().toHex())};
}

ArchiveFiles ArchiveFiles::of(const QString &image, const QByteArray &imageBytes, const QString &pdf,
                              const QByteArray &pdfBytes, const QString &einvoice, const QByteArray &einvoiceBytes)
{
    const auto digest = [](const QString &path, const QByteArray &bytes) {
        return QFileInfo::exists(path) ? FileDigest::ofFile(path) : FileDigest::of(bytes);
    };
    ArchiveFiles files{image, pdf, digest(image, imageBytes), digest(pdf, pdfBytes)};
    if (!einvoice.isEmpty()) {
        files.einvoice = einvoice;
        files.einvoiceDigest = digest(einvoice, einvoiceBytes);
    }
    return files;
}

PrintStamp PrintStamp::now()
{
    return {QDateTime::currentDateTime(), IssuedRules::machineName(), IssuedRules::userName()};
}

QString RegisterStore::filePath(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(FileName);
}

// One write to the register: begun at once (on a file with the write lock
// of the register and of an attached Firm.db), undone unless committed.
class RegisterStore::Write {
public:
    explicit Write(const RegisterStore &store) : m_store(store)
    {
        QSqlQuery begin(m_store.m_database);
        if (!begin.exec(Dialect::of(m_store.m_database).begin()))
            throw m_store.failed(CannotStore, begin.lastError());
        m_open = true;
    }
    ~Write() { rollBack(); }
    Write(const Write &) = delete;
    Write &operator=(const Write &) = delete;

    // A COMMIT that fails leaves the transaction open, and with it the lock
    // on the register: a busy one (a reader still on the file) is tried
    // again within the store's usual wait, any other failure is rolled back.
    void commit()
    {
        const QDeadlineTimer deadline(BusyTimeoutSeconds * 1000);
        for (;;) {
            QSqlQuery commit(m_store.m_database);
            if (commit.exec(QStringLiteral("COMMIT"))) {
                m_open = false;
                return;
            }
            const QSqlError error = commit.lastError();
            if (Dialect::of(m_store.m_database).busy(error) && !deadline.hasExpired()) {
                QThread::msleep(20);
                continue;
            }
            rollBack();
            throw m_store.failed(CannotStore, error);
        }
    }

private:
    void rollBack()
    {
        if (m_open && !QSqlQuery(m_store.m_database).exec(QStringLiteral("ROLLBACK")))
            qCWarning(lcReference) << "the register's transaction could not be rolled back";
        m_open = false;
    }

    const RegisterStore &m_store;
    bool m_open = false;
};

RegisterStore::RegisterStore(const QString &dataFolder) : m_dataFolder(dataFolder)
{
    if (dataFolder.isEmpty() || !QFileInfo(dataFolder).isDir())
        throw Failure(QStringLiteral("Папката с таблиците „%1“ не съществува.")
                          .arg(QDir::toNativeSeparators(dataFolder)));
    m_server = Server::connectionString(dataFolder);
    m_connection = QStringLiteral("bilvaro.register.%1").arg(++connectionCounter);
    try {
        connect();
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

void RegisterStore::connect()
{
    if (m_server) {
        m_database = Server::connect(m_connection, *m_server);
        m_lost = false;
        // One column's name is longer than the server keeps (it cuts it the
        // same way in every statement): its notice about that is no news.
        QSqlQuery(m_database).exec(QStringLiteral("SET client_min_messages = warning"));
        return;
    }
    const QString path = filePath(m_dataFolder);
    const bool made = !QFileInfo::exists(path);
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_database.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutSeconds * 1000));
    m_database.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rwc"));
    if (!m_database.open())
        throw storeFailure(QStringLiteral("Регистърът на издадените документи „%1“ не може да бъде отворен")
                               .arg(QDir::toNativeSeparators(path)),
                           m_database.lastError());
    // Made here: the buyers' data in it are the user's alone (a register that
    // is there keeps the mode its owner gave it).
    if (made)
        PrivateFiles::restrict(path);
}

// A server's connection that a command found gone is made anew by the next
// command; that one fails in its turn while the server cannot be reached.
void RegisterStore::reconnectIfLost() const
{
    if (!m_lost)
        return;
    Server::disconnect(m_database, m_connection);
    const_cast<RegisterStore *>(this)->connect();
}

Failure RegisterStore::failed(const QString &action, const QSqlError &error) const
{
    if (Dialect::of(m_database).connectionLost(error)) {
        m_lost = true;
        Server::lost(*m_server);
    }
    return Dialect::of(m_database).failure(action, error);
}

void RegisterStore::run(QSqlQuery &query, const QString &action) const
{
    if (!query.exec())
        throw failed(action, query.lastError());
}

void RegisterStore::createTables(const QSqlDatabase &database)
{
    const Dialect &dialect = Dialect::of(database);
    const QString action = QStringLiteral("Регистърът на издадените документи не може да бъде създаден");
    QStringList statements;
    for (const Schema::Table *table : {&documents(), &lines(), &noteRows()})
        statements << createTable(dialect, *table) << table->extraStatements;
    statements << appendOnlyTriggers(dialect) << paymentsTable(dialect) << purchaseTable(dialect)
               << dialect.afterMaking();
    for (const QString &statement : std::as_const(statements)) {
        QSqlQuery query(database);
        if (!query.exec(statement))
            throw dialect.failure(action, query.lastError());
    }
}

// A start folder (or a server) without a register gets an empty one, and an
// older register the columns added since; two programs doing it at once do
// it once.
void RegisterStore::makeTables()
{
    const Dialect &dialect = Dialect::of(m_database);
    const auto found = [&](const std::pair<QString, QVariantList> &check) {
        QSqlQuery query(m_database);
        query.prepare(check.first);
        for (const QVariant &value : check.second)
            query.addBindValue(value);
        run(query, CannotRead);
        return query.next() && query.value(0).toBool();
    };
    const auto exists = [&](const Schema::Table &wanted) { return found(dialect.tableExists(wanted.sqlName)); };
    const auto indexed = [&] { return found(dialect.indexExists(CreditNotesIndexName)); };
    if (exists(documents()) && exists(Schema::Register::payments()) && exists(purchases())
        && missingColumns(m_database).isEmpty() && indexed())
        return;
    Write write(*this);
    for (const QString &statement : dialect.beforeMaking(QStringLiteral("bilvaro register"))) {
        QSqlQuery query(m_database);
        if (!query.exec(statement))
            throw failed(CannotRead, query.lastError());
    }
    if (!exists(documents())) {
        createTables(m_database);
    } else {
        upgradeTables(m_database);
        // A register made before payments or the purchase ledger gets their tables.
        QStringList added;
        if (!exists(Schema::Register::payments()))
            added << paymentsTable(dialect);
        if (!exists(purchases()))
            added << purchaseTable(dialect);
        if (!indexed())
            added << creditNotesIndex();
        for (const QString &statement : std::as_const(added)) {
            QSqlQuery query(m_database);
            if (!query.exec(statement))
                throw failed(QStringLiteral("Регистърът на издадените документи не може да бъде допълнен"),
                             query.lastError());
        }
    }
    write.commit();
}

QList<Schema::Column> RegisterStore::missingColumns(const QSqlDatabase &database)
{
    const Dialect &dialect = Dialect::of(database);
    QList<Schema::Column> missing;
    for (const Schema::Column &column : addedColumns()) {
        const auto [statement, values] = dialect.columnExists(documents().sqlName, column.name);
        QSqlQuery query(database);
        query.prepare(statement);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (!query.exec())
            throw dialect.failure(CannotRead, query.lastError());
        if (!query.next() || !query.value(0).toBool())
            missing << column;
    }
    return missing;
}

void RegisterStore::upgradeTables(const QSqlDatabase &database)
{
    const Dialect &dialect = Dialect::of(database);
    const QList<Schema::Column> missing = missingColumns(database);
    QStringList statements;
    for (const Schema::Column &column : missing)
        statements << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                          .arg(q(documents()), q(column), dialect.columnType(column));
    const auto adds = [&missing](const Schema::Column &column) {
        return std::any_of(missing.begin(), missing.end(), [&](const Schema::Column &c) { return c.name == column.name; });
    };
    if (adds(PdfCopyHash))
        statements << archiveFilesFixed(dialect);
    if (adds(EInvoiceHash))
        statements << einvoiceFixed(dialect);
    for (const QString &statement : std::as_const(statements)) {
        QSqlQuery query(database);
        if (!query.exec(statement))
            throw dialect.failure(QStringLiteral("Регистърът на издадените документи не може да бъде допълнен"),
                                  query.lastError());
    }
}

std::optional<qint64> RegisterStore::documentId(const QString &company, NumberSeries series,
                                                const QString &number) const
{
    reconnectIfLost();
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? AND %4 = ? AND %5 = ?")
                      .arg(q(Id), q(documents()), q(Company), q(Series), q(Number)));
    query.addBindValue(company);
    query.addBindValue(IssuedRules::seriesText(series));
    query.addBindValue(number);
    run(query, CannotRead);
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
    reconnectIfLost();
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
    run(query, CannotRead);
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

QList<qint64> RegisterStore::cancelledBefore(const QDate &issuedBefore) const
{
    reconnectIfLost();
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IS NOT NULL AND %4 < ? ORDER BY %1")
                      .arg(q(Id), q(documents()), q(CancelledAt), q(SortDate)));
    query.addBindValue(issuedBefore.toString(Qt::ISODate));
    run(query, CannotRead);
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

namespace {

const QString CannotStorePurchase = QStringLiteral("Покупката не може да бъде записана в регистъра");

QString creditText(CreditRight credit)
{
    switch (credit) {
    case CreditRight::Partial:
        return QStringLiteral("частичен");
    case CreditRight::None:
        return QStringLiteral("без");
    case CreditRight::Full:
        break;
    }
    return QStringLiteral("пълен");
}

QString protocolText(ProtocolKind protocol)
{
    switch (protocol) {
    case ProtocolKind::Acquisition:
        return QStringLiteral("ВОП");
    case ProtocolKind::ReverseCharge:
        return QStringLiteral("чл. 82");
    case ProtocolKind::None:
        break;
    }
    return QString();
}

// An empty text, never NULL: the key's unique index sees NULLs as all different.
QString compactId(const QString &id) { return QStringLiteral("") + id.simplified().remove(u' ').toUpper(); }

} // namespace

qint64 RegisterStore::addPurchase(const QString &company, const PurchaseDocument &document, const QDateTime &at)
{
    reconnectIfLost();
    Write transaction(*this);
    QSqlQuery held(m_database);
    held.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ? AND %3 = ? AND %4 = ? AND %5 = ? AND %6 = ?")
                     .arg(q(purchases()), q(Company), q(PurchaseSupplierVat), q(PurchaseSupplierEik), q(PurchaseType),
                          q(PurchaseNumber)));
    const QVariantList key = {company, compactId(document.supplierVatNumber), compactId(document.supplierEik),
                              QStringLiteral("") + document.type, QStringLiteral("") + document.number.trimmed()};
    for (const QVariant &value : key)
        held.addBindValue(value);
    run(held, CannotRead);
    if (held.next() && held.value(0).toLongLong() > 0)
        throw Failure(QStringLiteral("Документ вид %1 № %2 от „%3“ вече е въведен в дневника за покупки.")
                          .arg(document.type, document.number.trimmed(), document.supplierName.simplified()));
    QSqlQuery insert(m_database);
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(q(purchases()),
                            QStringList{q(Company), q(PurchaseSupplierVat), q(PurchaseSupplierEik), q(PurchaseType),
                                        q(PurchaseNumber), q(PurchaseSupplier), q(PurchaseDate), q(PurchaseDescription),
                                        q(PurchaseCurrency), q(TaxBase), q(Vat), q(PurchaseCredit), q(PurchaseProtocol),
                                        q(PurchaseEnteredAt)}
                                .join(u','),
                            QStringList(14, QStringLiteral("?")).join(u',')));
    for (const QVariant &value : key)
        insert.addBindValue(value);
    insert.addBindValue(document.supplierName.simplified());
    insert.addBindValue(document.date.toString(Qt::ISODate));
    insert.addBindValue(document.description.simplified());
    insert.addBindValue(document.currency == Currency::Euro ? QStringLiteral("EUR") : QStringLiteral("BGN"));
    insert.addBindValue(units(document.taxBase));
    insert.addBindValue(units(document.vat));
    insert.addBindValue(creditText(document.credit));
    insert.addBindValue(protocolText(document.protocol));
    insert.addBindValue(IssuedRules::timeText(at));
    run(insert, CannotStorePurchase);
    QSqlQuery last(m_database);
    if (!last.exec(Dialect::of(m_database).lastId()) || !last.next())
        throw failed(CannotStorePurchase, last.lastError());
    const qint64 id = last.value(0).toLongLong();
    transaction.commit();
    return id;
}

void RegisterStore::cancelPurchase(qint64 id, const QString &reason, const QDateTime &at)
{
    if (reason.trimmed().isEmpty())
        throw Failure(IssuedRules::noReasonMessage());
    reconnectIfLost();
    Write transaction(*this);
    const Dialect &dialect = Dialect::of(m_database);
    QSqlQuery update(m_database);
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ? WHERE %4 = ? AND %2 IS NULL")
                       .arg(q(purchases()), q(CancelledAt), q(CancelReason), dialect.rowKey()));
    update.addBindValue(IssuedRules::timeText(at));
    update.addBindValue(reason.trimmed());
    update.addBindValue(id);
    run(update, CannotStorePurchase);
    if (update.numRowsAffected() != 1)
        throw Failure(QStringLiteral("Покупката вече е анулирана или не е в регистъра."));
    transaction.commit();
}

QList<StoredPurchase> RegisterStore::purchasesOf(const QString &company) const
{
    reconnectIfLost();
    const Dialect &dialect = Dialect::of(m_database);
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 AS id, * FROM %2 WHERE %3 = ? ORDER BY %4, %1")
                      .arg(dialect.rowKey(), q(purchases()), q(Company), q(PurchaseDate)));
    query.addBindValue(company);
    run(query, CannotRead);
    QList<StoredPurchase> stored;
    while (query.next()) {
        const QSqlRecord record = query.record();
        const auto text = [&](const Schema::Column &column) { return record.value(column.name).toString(); };
        StoredPurchase purchase;
        purchase.id = record.value(QStringLiteral("id")).toLongLong();
        PurchaseDocument &document = purchase.document;
        document.supplierName = text(PurchaseSupplier);
        document.supplierVatNumber = text(PurchaseSupplierVat);
        document.supplierEik = text(PurchaseSupplierEik);
        document.type = text(PurchaseType);
        document.number = text(PurchaseNumber);
        document.date = QDate::fromString(text(PurchaseDate), Qt::ISODate);
        document.description = text(PurchaseDescription);
        document.currency = text(PurchaseCurrency) == QStringLiteral("EUR") ? Currency::Euro : Currency::Leva;
        document.taxBase = Amount::fromUnits(record.value(TaxBase.name).toLongLong());
        document.vat = Amount::fromUnits(record.value(Vat.name).toLongLong());
        const QString credit = text(PurchaseCredit);
        document.credit = credit == creditText(CreditRight::Partial) ? CreditRight::Partial
                          : credit == creditText(CreditRight::None)  ? CreditRight::None
                                                                      : CreditRight::Full;
        const QString protocol = text(PurchaseProtocol);
        document.protocol = protocol == protocolText(ProtocolKind::Acquisition)     ? ProtocolKind::Acquisition
                            : protocol == protocolText(ProtocolKind::ReverseCharge) ? ProtocolKind::ReverseCharge
                                                                                    : ProtocolKind::None;
        const QString cancelledAt = text(CancelledAt);
        document.cancelled = !cancelledAt.isEmpty();
        document.cancelledOn = QDateTime::fromString(cancelledAt, Qt::ISODate).date();
        purchase.enteredAt = text(PurchaseEnteredAt);
        purchase.cancelReason = text(CancelReason);
        stored.append(purchase);
    }
    return stored;
}

Recorded RegisterStore::recordPrint(const Invoice &printed, const ArchiveFiles &files, PrintMode mode,
                                    const PrintStamp &stamp)
{
    Invoice document = printed;
    document.number = PrintRules::recordedNumber(printed.number);
    const QString company = IssuedRules::companyKey(document.supplier);
    const NumberSeries series = numberSeries(document.kind);

    reconnectIfLost();
    struct Detach {
        QSqlDatabase database;
        bool attached = false;
        ~Detach()
        {
            if (attached)
                Dialect::of(database).detach(database, FirmSchema);
        }
    } detach{m_database};
    detach.attached = Dialect::of(m_database).attach(
        m_database, FirmSchema, QDir(m_dataFolder).filePath(Schema::Firm::FileName), CannotStore);

    Write transaction(*this);
    for (const QString &statement : Dialect::of(m_database).lockTable(firmSqlName())) {
        QSqlQuery lock(m_database);
        if (!lock.exec(statement))
            throw failed(CannotStore, lock.lastError());
    }
    if (const std::optional<qint64> held = documentId(company, series, document.number)) {
        const RegisterRow stored = row(*held);
        if (invoice(*held) != document)
            throw Failure(IssuedRules::numberTakenMessage(document.number, stored.kind, stored.date, stored.client));
        if (mode == PrintMode::Original && !stored.cancelledAt.isEmpty())
            throw Failure(IssuedRules::cancelledOriginalMessage(document.number, stored.date));
        countCopy(*held, stamp.time, files);
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
        {ArchiveImageSize.name, size(files.image, files.imageDigest)},
        {ArchiveImageHash.name, hash(files.image, files.imageDigest)},
        {PdfCopySize.name, size(files.pdf, files.pdfDigest)},
        {PdfCopyHash.name, hash(files.pdf, files.pdfDigest)},
        {EInvoiceFile.name, files.einvoice},
        {EInvoiceSize.name, size(files.einvoice, files.einvoiceDigest)},
        {EInvoiceHash.name, hash(files.einvoice, files.einvoiceDigest)},
        {CopyImage.name, mode == PrintMode::Copy ? QVariant(files.image) : QVariant()},
        {CopyImageSize.name, mode == PrintMode::Copy ? size(files.image, files.imageDigest) : QVariant()},
        {CopyImageHash.name, mode == PrintMode::Copy ? hash(files.image, files.imageDigest) : QVariant()},
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
    const auto insert = [this](const Schema::Table &table, const QList<Schema::Column> &columns,
                               const QVariantList &values) {
        QSqlQuery query(m_database);
        query.prepare(insertStatement(table, columns));
        for (const QVariant &value : values)
            query.addBindValue(value);
        run(query, CannotStore);
    };
    insert(documents(), columns, bind);
    QSqlQuery last(m_database);
    if (!last.exec(Dialect::of(m_database).lastId()) || !last.next())
        throw failed(CannotStore, last.lastError());
    const qint64 id = last.value(0).toLongLong();

    for (const InvoiceLine &line : invoice.lines)
        insert(lines(),
               {LineDocument, LineNumber, LineDescription, LineUnit, LineQuantity, LinePrice, LineValue},
               {id, line.number, line.description, line.unit, units(line.quantity), units(line.price),
                units(line.value)});
    for (qsizetype place = 0; place < invoice.note.references.size(); ++place) {
        const NoteReference &reference = invoice.note.references[place];
        insert(noteRows(), {RowDocument, RowPlace, RowNumber, RowAccount, RowAmount},
               {id, int(place + 1), reference.number, reference.account, reference.amount});
    }
    return id;
}

// The own company's record takes the number as the last of its series,
// unless it holds a later one already (a reprint of an old number).
void RegisterStore::writeBackNumber(const Invoice &invoice)
{
    const Dialect &dialect = Dialect::of(m_database);
    const QString table =
        dialect.attachedTable(m_database, FirmSchema, Schema::Firm::FileName, firmSqlName(), CannotStore);
    const QString column = numberSeries(invoice.kind) == NumberSeries::Proforma ? Schema::Firm::LastProforma.name
                                                                                 : Schema::Firm::LastInvoice.name;
    const QSqlRecord stored = companyRecord(table, invoice.supplier);
    const int numberField = stored.indexOf(column);
    if (numberField < 0)
        throw Failure(CannotStore + QStringLiteral(": таблицата „%1“ няма колона „%2“.")
                                        .arg(Schema::Firm::FileName, column));
    const qint64 key = stored.value(0).toLongLong();
    const QString storedName = stored.fieldName(numberField);
    bool isNumber = false;
    const qlonglong last = stored.value(numberField).toString().trimmed().toLongLong(&isNumber);
    if (isNumber && last >= invoice.number.toLongLong())
        return;
    QSqlQuery update(m_database);
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?")
                       .arg(table, Schema::quoted(storedName), dialect.rowKey()));
    update.addBindValue(invoice.number);
    update.addBindValue(key);
    run(update, CannotStore);
}

// The own company's record, its key first: the record the document was
// picked from while it still carries the company's identity, else the first
// record that does (records inserted or deleted before it move it).
QSqlRecord RegisterStore::companyRecord(const QString &table, const InvoiceSupplier &supplier) const
{
    const Dialect &dialect = Dialect::of(m_database);
    QSqlQuery records(m_database);
    records.setForwardOnly(true);
    records.prepare(QStringLiteral("SELECT %1 AS \"__key\", * FROM %2 ORDER BY %1").arg(dialect.rowKey(), table));
    run(records, CannotStore);
    const QString company = companyKey(supplier);
    std::optional<QSqlRecord> found;
    for (int position = 1; records.next(); ++position) {
        const QSqlRecord record = records.record();
        if (companyKey(record.value(Schema::Firm::IdNumber.name).toString(),
                       record.value(Schema::Firm::Supplier.name).toString())
            != company)
            continue;
        if (!found || position == supplier.recordNo)
            found = record;
        if (position >= supplier.recordNo)
            break;
    }
    if (!found)
        throw Failure(CannotStore
                      + QStringLiteral(": собствената фирма „%1“ (%2) вече не е в таблицата „%3“. Въведете я "
                                       "отново в „Собствени фирми“, натиснете „Към фактурата“ и отпечатайте "
                                       "документа пак.")
                            .arg(supplier.party.name.simplified(), company, Schema::Firm::FileName));
    return *found;
}

void RegisterStore::countCopy(qint64 id, const QDateTime &at, const ArchiveFiles &files)
{
    reconnectIfLost();
    QSqlQuery update(m_database);
    const QString copyImage = files.image.isEmpty() ? QString()
                                                    : QStringLiteral(", %1 = ?, %2 = ?, %3 = ?")
                                                          .arg(q(CopyImage), q(CopyImageSize), q(CopyImageHash));
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = %2 + 1, %3 = ?%4 WHERE %5 = ?")
                       .arg(q(documents()), q(Copies), q(LastCopyAt), copyImage, q(Id)));
    update.addBindValue(IssuedRules::timeText(at));
    if (!files.image.isEmpty()) {
        update.addBindValue(files.image);
        update.addBindValue(size(files.image, files.imageDigest));
        update.addBindValue(hash(files.image, files.imageDigest));
    }
    update.addBindValue(id);
    run(update, CannotStore);
}

bool RegisterStore::fileTaken(const QString &path, const Invoice &invoice) const
{
    reconnectIfLost();
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE (%2 = ? OR %3 = ? OR %4 = ?) "
                                 "AND NOT (%5 = ? AND %6 = ? AND %7 = ?)")
                      .arg(q(documents()), q(ArchiveImage), q(PdfCopy), q(CopyImage), q(Company), q(Series),
                           q(Number)));
    for (int i = 0; i < 3; ++i)
        query.addBindValue(path);
    query.addBindValue(IssuedRules::companyKey(invoice.supplier));
    query.addBindValue(IssuedRules::seriesText(numberSeries(invoice.kind)));
    query.addBindValue(PrintRules::recordedNumber(invoice.number));
    run(query, CannotRead);
    return query.next() && query.value(0).toLongLong() > 0;
}

void RegisterStore::cancel(qint64 id, const QString &reason, const QDateTime &at)
{
    if (reason.trimmed().isEmpty())
        throw Failure(IssuedRules::noReasonMessage());
    reconnectIfLost();
    Write transaction(*this);
    const RegisterRow stored = row(id);
    if (!stored.cancelledAt.isEmpty())
        throw Failure(IssuedRules::alreadyCancelledMessage(stored.number, stored.cancelledAt));
    QSqlQuery update(m_database);
    update.prepare(QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ? WHERE %4 = ?")
                       .arg(q(documents()), q(CancelledAt), q(CancelReason), q(Id)));
    update.addBindValue(IssuedRules::timeText(at));
    update.addBindValue(reason.trimmed());
    update.addBindValue(id);
    run(update, QStringLiteral("Документът не може да бъде анулиран"));
    transaction.commit();
}

namespace {


} // namespace

QString RegisterStore::headColumns()
{
    return QStringLiteral("%1, %2, %3, %4, %5 IS NULL, %6, %7, %8")
        .arg(q(Id), q(CurrencySign), q(DocumentType), q(Note), q(CancelledAt), q(TaxBase), q(Vat), q(Total));
}

void RegisterStore::readHead(const RowScan &rows, DocumentHead &head)
{
    static const QByteArray euro = selectorText(Currency::Euro).toUtf8();
    static const QByteArray proforma = IssuedRules::kindText(DocumentKind::Proforma).toUtf8();
    static const QByteArray credit = IssuedRules::noteText(NoteKind::Credit).toUtf8();
    head.id = rows.integer(0);
    head.euro = rows.textIs(1, euro);
    head.proforma = rows.textIs(2, proforma);
    head.credit = rows.textIs(3, credit);
    head.cancelled = rows.integer(4) == 0;
    head.taxBase = rows.integer(5);
    head.vat = rows.integer(6);
    head.total = rows.integer(7);
}

// Goes through every document the query finds, in one fast read (RowScan).
void RegisterStore::scan(const RegisterQuery &query, const std::function<void(const Scanned &)> &each) const
{
    reconnectIfLost();
    const Dialect &dialect = Dialect::of(m_database);
    QVariantList bind;
    const QString sql = QStringLiteral("SELECT %1, %2, %3, %4, %5, %6 FROM %7 d%8 ORDER BY %6 DESC, %9 DESC")
                            .arg(headColumns(), q(Company), q(Number), q(PaymentDate), q(IssueDate), q(SortDate),
                                 q(documents()), whereClause(dialect, query, bind), q(Id));
    const std::unique_ptr<RowScan> rows = dialect.scan(m_database, sql, bind, CannotRead);
    if (!rows->exec())
        throw failed(CannotRead, rows->lastError());
    Scanned document;
    document.text = [&rows](int column) { return rows->text(8 + column); };
    while (rows->next()) {
        readHead(*rows, document);
        each(document);
    }
}

// What is owed is read only for a payment filter: the whole register opens
// without reading its payments.
RegisterStore::Listing RegisterStore::list(const RegisterQuery &query) const
{
    const bool byPayments = query.payments != PaymentFilter::All;
    const QHash<QString, Amount> credits = byPayments ? creditNotesByInvoice() : QHash<QString, Amount>();
    const QHash<qint64, Amount> paid = byPayments ? paidByDocument() : QHash<qint64, Amount>();
    const QDate today = query.today.isValid() ? query.today : QDate::currentDate();
    Listing listing;
    SumsByCurrency summing;
    scan(query, [&](const Scanned &document) {
        if (document.cancelled || document.proforma) {
            if (!byPayments)
                listing.ids << document.id;
            return;
        }
        Amount owed;
        if (byPayments && !document.credit) {
            const Amount total = Amount::fromUnits(document.total);
            const Amount paidOn = paid.value(document.id)
                + (credits.isEmpty() ? Amount()
                                     : credits.value(creditedInvoiceKey(document.text(CompanyText),
                                                                        document.text(NumberText))));
            owed = total - paidOn;
            if (owed <= Amount())
                return;
            if (query.payments == PaymentFilter::Overdue) {
                const QDate issued = IssuedRules::pageDate(document.text(IssueDateText), QDate());
                if (!balanceOf(total, paidOn, dueDate(document.text(PaymentDateText), issued, m_paymentTermDays), today)
                         .overdue)
                    return;
            }
        } else if (byPayments) {
            return;
        }
        listing.ids << document.id;
        summing.add(document.euro, document.credit, document.taxBase, document.vat, document.total, owed);
    });
    listing.sums = summing.sums();
    return listing;
}

QList<RegisterStore::SoldDocument> RegisterStore::soldBetween(const QDate &from, const QDate &to) const
{
    const QHash<QString, Amount> credits = creditNotesByInvoice();
    const QHash<qint64, Amount> paid = paidByDocument(from, to);
    QList<SoldDocument> sold;
    scan({QString(), from, to, PaymentFilter::All, QDate()}, [&](const Scanned &document) {
        if (document.cancelled || document.proforma)
            return;
        SoldDocument one;
        one.date = QDate::fromString(document.text(SortDateText), Qt::ISODate);
        one.currency = document.euro ? Currency::Euro : Currency::Leva;
        one.credit = document.credit;
        one.taxBase = Amount::fromUnits(document.taxBase);
        one.total = Amount::fromUnits(document.total);
        one.paid = document.credit ? one.total
                                   : paid.value(document.id)
                + (credits.isEmpty()
                       ? Amount()
                       : credits.value(creditedInvoiceKey(document.text(CompanyText), document.text(NumberText))));
        sold << one;
    });
    return sold;
}

QList<RegisterRow> RegisterStore::rows(const QList<qint64> &ids) const
{
    QList<RegisterRow> found;
    if (ids.isEmpty())
        return found;
    reconnectIfLost();
    QStringList numbers;
    for (qint64 id : ids)
        numbers << QString::number(id);
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    if (!select.exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                         .arg(rowColumns(), q(documents()), q(Id), numbers.join(u','))))
        throw failed(CannotRead, select.lastError());
    QHash<qint64, RegisterRow> byId;
    while (select.next()) {
        RegisterRow row = rowFrom(select);
        byId.insert(row.id, row);
    }
    for (qint64 id : ids) {
        if (byId.contains(id))
            found << byId.value(id);
    }
    fillBalances(found);
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
    const QList<Invoice> found = invoices({id});
    if (found.isEmpty())
        throw Failure(CannotRead + QStringLiteral(": документът не е намерен."));
    return found.first();
}

namespace {

QString idList(const QList<qint64> &ids)
{
    QStringList numbers;
    for (qint64 id : ids)
        numbers << QString::number(id);
    return numbers.join(u',');
}

} // namespace

// A query per table for all the documents, whatever their number.
QList<Invoice> RegisterStore::invoices(const QList<qint64> &ids) const
{
    if (ids.isEmpty())
        return {};
    reconnectIfLost();
    const Dialect &dialect = Dialect::of(m_database);
    QSqlQuery select(m_database);
    select.setForwardOnly(true);
    if (!select.exec(QStringLiteral("SELECT * FROM %1 WHERE %2 IN (%3)").arg(q(documents()), q(Id), idList(ids))))
        throw failed(CannotRead, select.lastError());
    QHash<qint64, Invoice> byId;
    while (select.next()) {
        const QSqlRecord record = select.record();
        const auto text = [&](const Schema::Column &column) { return record.value(dialect.fieldName(column.name)).toString(); };
        Invoice &invoice = byId[record.value(Id.name).toLongLong()];
        invoice.kind = IssuedRules::kindFromText(text(DocumentType));
        invoice.note.kind = IssuedRules::noteFromText(text(Note));
        invoice.note.invoiceNumber = text(NoteInvoiceNumber);
        invoice.note.invoiceDate = text(NoteInvoiceDate);
        invoice.number = text(Number);
        invoice.issueDate = text(IssueDate);
        invoice.currency = currencyFromText(text(CurrencySign)).value_or(Currency::Leva);
        invoice.supplier.recordNo = record.value(FirmRecord.name).toInt();
        invoice.supplier.party = {text(Supplier), text(SupplierAddress), text(SupplierManager),
                                  text(SupplierVatNumber), text(SupplierEik)};
        invoice.heading = text(Heading);
        invoice.supplier.placeOfIssue = text(PlaceOfIssue);
        invoice.supplier.nameSecondLine = text(SupplierSecondLine);
        invoice.supplier.addressSecondLine = text(SupplierAddressSecondLine);
        invoice.client = {text(Client), text(ClientAddress), text(ClientManager), text(ClientVatNumber),
                          text(ClientEik)};
        invoice.payment = {text(PaymentTerms), text(Bank), text(Iban), text(Bic)};
        invoice.totals = {amount(record.value(TaxBase.name)), text(VatRate), amount(record.value(Vat.name)),
                          amount(record.value(Total.name))};
        invoice.texts = {text(Words),        text(VatBasis),    text(VatBasisCaption), text(VehicleBasis),
                         text(TaxEventDate), text(PaymentDate), text(Receiver),        text(Composer)};
    }
    select.finish();

    QSqlQuery lineRows(m_database);
    lineRows.setForwardOnly(true);
    if (!lineRows.exec(QStringLiteral("SELECT %1, %2, %3, %4, %5, %6, %7 FROM %8 WHERE %7 IN (%9) ORDER BY %7, %10")
                           .arg(q(LineNumber), q(LineDescription), q(LineUnit), q(LineQuantity), q(LinePrice),
                                q(LineValue), q(LineDocument), q(lines()), idList(ids))
                           .arg(dialect.rowKey())))
        throw failed(CannotRead, lineRows.lastError());
    while (lineRows.next()) {
        byId[lineRows.value(6).toLongLong()].lines
            << InvoiceLine{lineRows.value(0).toInt(), lineRows.value(1).toString(), lineRows.value(2).toString(),
                           amount(lineRows.value(3)), amount(lineRows.value(4)), amount(lineRows.value(5))};
    }
    QSqlQuery references(m_database);
    references.setForwardOnly(true);
    if (!references.exec(QStringLiteral("SELECT %1, %2, %3, %4 FROM %5 WHERE %4 IN (%6) ORDER BY %4, %7")
                             .arg(q(RowNumber), q(RowAccount), q(RowAmount), q(RowDocument), q(noteRows()),
                                  idList(ids), q(RowPlace))))
        throw failed(CannotRead, references.lastError());
    while (references.next()) {
        byId[references.value(3).toLongLong()].note.references
            << NoteReference{references.value(0).toString(), references.value(1).toString(),
                             references.value(2).toString()};
    }
    QList<Invoice> found;
    for (qint64 id : ids) {
        if (byId.contains(id))
            found << byId.value(id);
    }
    return found;
}
