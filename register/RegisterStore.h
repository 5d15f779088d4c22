#pragma once

#include "common/Amount.h"
#include "common/Currency.h"
#include "common/Failure.h"
#include "document/Invoice.h"
#include "register/Payments.h"
#include "ledger/PurchaseLedger.h"
#include "reference/Schema.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QString>
#include <functional>
#include <optional>

class RowScan;

// A file's size and SHA-256 (lower-case hex) as the register keeps them;
// size -1 and no hash where none is known.
struct FileDigest {
    qint64 size = -1;
    QString sha256;
    bool known() const { return size >= 0 && !sha256.isEmpty(); }
    static FileDigest of(const QByteArray &bytes);
    // The digest of the file as it stands; none when it cannot be read.
    static FileDigest ofFile(const QString &path);
    friend bool operator==(const FileDigest &, const FileDigest &) = default;
};

// The archive image and the PDF copy of a print, each with its digest as it
// stands in the archive: the register window opens, mails and prints a file
// only while it still matches. A digest left unknown records the file
// unchecked, as documents were before digests were kept. The names come from
// the archive's choice (ArchiveNaming: never a file another document's row
// records); of() gives the digests.
struct ArchiveFiles {
    ArchiveFiles() = default;
    ArchiveFiles(QString image, QString pdf, FileDigest imageDigest = {}, FileDigest pdfDigest = {})
        : image(std::move(image)), pdf(std::move(pdf)), imageDigest(std::move(imageDigest)),
          pdfDigest(std::move(pdfDigest))
    {
    }

    QString image;
    QString pdf;
    FileDigest imageDigest;
    FileDigest pdfDigest;
    // The e-invoice beside the PDF copy; empty where the print writes none.
    QString einvoice;
    FileDigest einvoiceDigest;

    // The files a print is about to write, from their bytes; a file that is
    // at its name already is kept as it is (the archive never replaces a
    // file), so its own digest is taken.
    static ArchiveFiles of(const QString &image, const QByteArray &imageBytes, const QString &pdf,
                           const QByteArray &pdfBytes, const QString &einvoice = {},
                           const QByteArray &einvoiceBytes = {});
};

// When and where a document was printed.
struct PrintStamp {
    QDateTime time;
    QString machine;
    QString user;
    // Now, on this machine, by this user.
    static PrintStamp now();
};

enum class PrintMode { Original, Copy };
enum class Recorded {
    NewDocument,  // the document and its number are recorded
    CopyCounted,  // the register held it with the same content: one more copy
};

// Which documents by what is owed: all, those with something still owed
// ("Неплатени"), those owed past their due date ("Просрочени").
enum class PaymentFilter { All, Unpaid, Overdue };

// What the register window shows: documents whose client name, client ЕИК
// or number contain the text (letter case not counting), dated within the
// period (an invalid date leaves that end open), as the payment filter
// says on the day `today` (an invalid one: the current date).
struct RegisterQuery {
    QString text;
    QDate from;
    QDate to;
    PaymentFilter payments = PaymentFilter::All;
    QDate today;
};

// One document as the register window lists it.
struct RegisterRow {
    qint64 id = 0;
    QString number;
    QString date;  // as on the page
    QString kind;  // "Фактура", "Проформа", "Кредитно известие", "Дебитно известие"
    QString client;
    QString clientEik;
    Amount taxBase, vat, total;
    Currency currency = Currency::Leva;
    int copies = 0;
    QString lastCopyAt;
    QString cancelledAt;  // empty while the document stands
    QString cancelReason;
    QString archiveImage;
    QString pdfCopy;
    QString printedAt;
    FileDigest imageDigest;  // size -1 where the register keeps none
    FileDigest pdfDigest;
    QString copyImage;       // the archive image of the last copy printed, if recorded
    FileDigest copyDigest;
    QString einvoice;        // the e-invoice beside the PDF copy, where one was written
    FileDigest einvoiceDigest;
    QString supplier;        // the own company that issued it
    QString supplierEik;
    QString companyKey;      // the own company as the register keys it
    QString paymentDate;     // "Дата на плащане", as on the page
    DocumentKind documentKind = DocumentKind::Invoice;
    NoteKind note = NoteKind::None;
    Balance balance;         // what was paid and is owed
};

// A received document as the register keeps it.
struct StoredPurchase {
    qint64 id = 0;
    PurchaseDocument document;  // cancelled on the day of its cancel mark
    QString enteredAt;
    QString cancelReason;
};

// The sums of the shown documents in one currency.
struct CurrencySum {
    Currency currency = Currency::Leva;
    int count = 0;
    Amount taxBase, vat, total;
    Amount owed;  // still owed on the documents that take payments
    friend bool operator==(const CurrencySum &, const CurrencySum &) = default;
};

// The sums of the listed documents per currency: what was sold, so a credit
// note counts against it; a proforma (an offer) and a cancelled document do
// not count. What is owed counts the documents that take payments.
class SumsByCurrency {
public:
    SumsByCurrency() { m_sums[1].currency = Currency::Euro; }

    void add(bool euro, bool credit, qint64 taxBase, qint64 vat, qint64 total, Amount owed)
    {
        CurrencySum &sum = m_sums[euro ? 1 : 0];
        const std::int64_t sign = credit ? -1 : 1;
        ++sum.count;
        sum.taxBase = sum.taxBase + Amount::fromUnits(sign * taxBase);
        sum.vat = sum.vat + Amount::fromUnits(sign * vat);
        sum.total = sum.total + Amount::fromUnits(sign * total);
        sum.owed = sum.owed + owed;
    }
    QList<CurrencySum> sums() const
    {
        QList<CurrencySum> found;
        for (const CurrencySum &sum : m_sums) {
            if (sum.count > 0)
                found << sum;
        }
        return found;
    }

private:
    CurrencySum m_sums[2];
};

// The register of issued documents: `Register.db` in the data folder (the
// start folder's DB), or the same tables on the PostgreSQL server that the
// data folder names (Server::connectionString), made on first use. Every
// document printed is kept there once, whole, with its number; the store
// itself refuses a second document under one (company, series, number) and
// any change but the copy count and the cancel mark. Everything that is
// SQLite's or PostgreSQL's lives in this class; the SQL that differs between
// the two is kept together in RegisterStore.cpp.
//
// On a server a command that finds the connection gone fails with the
// server's lost-connection message, nothing of it recorded; the next command
// connects again.
//
// Every failure throws a Failure with the text the user sees.
class RegisterStore {
public:
    // Opens the register of the data folder, making it when there is none.
    explicit RegisterStore(const QString &dataFolder);
    ~RegisterStore();
    RegisterStore(const RegisterStore &) = delete;
    RegisterStore &operator=(const RegisterStore &) = delete;

    static QString filePath(const QString &dataFolder);
    // Makes the register's tables, empty, on an open database (a file or a
    // server), inside the caller's transaction.
    static void createTables(const QSqlDatabase &database);
    // Adds to an older register, inside the caller's transaction, the
    // columns added since it was made; its rows stay as they are.
    static void upgradeTables(const QSqlDatabase &database);
    // The columns added since that an older register lacks.
    static QList<Schema::Column> missingColumns(const QSqlDatabase &database);

    // Records a print of the document: a number the register does not hold
    // is recorded with the whole document and, in the same transaction,
    // written back into the own company's record in Firm.db ("Фактура №" or
    // "Проформа №", never lowered); the same document again counts one more
    // copy. A number held with other content is refused with a message that
    // names that document; so is an original of a cancelled document. The
    // own company's record is found by its identity (IssuedRules::companyKey):
    // the record at the document's record number while it carries it, else
    // the first record that does; none is refused.
    Recorded recordPrint(const Invoice &invoice, const ArchiveFiles &files, PrintMode mode,
                         const PrintStamp &stamp = PrintStamp::now());
    // One more copy of a recorded document (printed from the register), with
    // the copy's archive image when one was written.
    void countCopy(qint64 id, const QDateTime &at = QDateTime::currentDateTime(), const ArchiveFiles &files = {});
    // Whether a document other than the invoice's (its own company, series
    // and number) records the file as its image, PDF copy or copy's image:
    // such a name is never given to another page.
    bool fileTaken(const QString &path, const Invoice &invoice) const;
    // Marks the document cancelled, with the reason and the time; a
    // cancelled document cannot be cancelled again.
    void cancel(qint64 id, const QString &reason, const QDateTime &at = QDateTime::currentDateTime());

    // The documents the query shows, newest first (by date, then as
    // printed), and their sums, read in one pass.
    struct Listing {
        QList<qint64> ids;
        QList<CurrencySum> sums;
    };
    Listing list(const RegisterQuery &query) const;
    QList<qint64> find(const RegisterQuery &query) const { return list(query).ids; }
    // The sums of those documents per currency, leva first: what was sold,
    // so a credit note counts with a minus and proformas and cancelled
    // documents do not count.
    QList<CurrencySum> sums(const RegisterQuery &query) const { return list(query).sums; }
    QList<RegisterRow> rows(const QList<qint64> &ids) const;
    RegisterRow row(qint64 id) const;
    // The document as it was recorded.
    Invoice invoice(qint64 id) const;
    // The documents as recorded, in the order of the keys (a key the
    // register does not hold is left out), read in one query per table.
    QList<Invoice> invoices(const QList<qint64> &ids) const;
    // The invoices a credit or debit note of the own company (its key, as
    // IssuedRules::companyKey) to the client may refer to, newest first:
    // invoices that are no note and are not cancelled, to the client of the
    // ЕИК, or of the name where the ЕИК is blank.
    QList<qint64> invoicesFor(const QString &company, const QString &clientEik, const QString &clientName) const;
    // The cancelled documents dated before the day: a month's ledger takes
    // back those cancelled within it.
    QList<qint64> cancelledBefore(const QDate &issuedBefore) const;
    // A document as recorded, with when it was printed and cancelled (empty
    // while it stands).
    struct RecordedDocument {
        qint64 id = 0;
        Invoice invoice;
        QString printedAt;
        QString cancelledAt;
    };
    // What a month's ledger reads: the documents dated from the day on, newest
    // first as find() lists them, then the cancelled ones dated before it
    // (cancelledBefore()); every document, newest first, where the day is
    // invalid. One query per table (two for the documents), whatever their
    // number: the same documents as invoices() of those keys.
    // `read` is told the count of documents read so far, after each.
    QList<RecordedDocument> recordedFrom(const QDate &from,
                                         const std::function<void(qsizetype)> &read = {}) const;
    // How many documents recordedFrom() reads.
    qsizetype countFrom(const QDate &from) const;
    // The purchase ledger's documents of an own company (its key, as
    // IssuedRules::companyKey): a document is entered once per supplier,
    // type and number, and then only cancelled, once.
    qint64 addPurchase(const QString &company, const PurchaseDocument &document,
                       const QDateTime &at = QDateTime::currentDateTime());
    void cancelPurchase(qint64 id, const QString &reason, const QDateTime &at = QDateTime::currentDateTime());
    // In the order of their dates, then as entered.
    QList<StoredPurchase> purchasesOf(const QString &company) const;

    // What the register window's search keeps in memory of a document
    // (RegisterSearch): what list() filters and sums by, but the payments
    // and the dates a document is due by.
    // What list() filters and sums by, as both reads of many documents give it.
    struct DocumentHead {
        qint64 id = 0;
        bool euro = false, proforma = false, credit = false, cancelled = false;
        qint64 taxBase = 0, vat = 0, total = 0;  // in units of 0.0001
    };
    struct Searched : DocumentHead {
        // In UTF-8, as the register keeps them.
        QByteArrayView sortDate;    // ГГГГ-ММ-ДД
        QByteArrayView searchText;  // folded, as the search compares it
        QByteArrayView company;     // the own company's key
        QByteArrayView number;      // ten digits
    };
    // The documents whose key is above `after`, in the order of their keys.
    void readSearched(qint64 after, const std::function<void(const Searched &)> &each) const;
    // The keys of the cancelled documents.
    QList<qint64> cancelledIds() const;
    // How many documents the register holds.
    qint64 documentCount() const;
    // A number that changes whenever another connection (another program,
    // another window) has changed the register since; on a server, where no
    // such number is kept, one that changes at every call.
    qint64 changeCount() const;

    // The document holding the number, if any.
    std::optional<qint64> documentId(const QString &company, NumberSeries series, const QString &number) const;

    // Records a payment against an invoice or a debit note that stands;
    // anything else is refused with a message naming the document. Who and
    // when are this user and now, unless the payment names them.
    void recordPayment(Payment payment);
    // The document's payments in the order they were entered.
    QList<Payment> payments(qint64 document) const;
    // What was sold between two days and what is paid of it, a document
    // at a time: invoices and notes that stand (no proforma, nothing
    // cancelled), each with what is paid on it (a credit note's own total).
    struct SoldDocument {
        QDate date;
        Currency currency = Currency::Leva;
        bool credit = false;
        Amount taxBase, total, paid;
    };
    QList<SoldDocument> soldBetween(const QDate &from, const QDate &to) const;
    // What is paid on each document (by its key), credit notes left out,
    // and the totals of the credit notes that stand by the invoice they
    // correct (creditedInvoiceKey): on every document, or on those issued in
    // a period.
    struct Owing {
        QHash<qint64, Amount> paid;
        QHash<QString, Amount> credits;
    };
    Owing owing() const { return {paidByDocument(), creditNotesByInvoice()}; }
    Owing owing(const QDate &from, const QDate &to) const
    {
        return {paidByDocument(from, to), creditNotesByInvoice()};
    }
    // The days after the issue date that a document without "Дата на
    // плащане" is due in.
    void setPaymentTerm(int days) { m_paymentTermDays = days; }
    int paymentTerm() const { return m_paymentTermDays; }

private:
    class Write;
    void connect();
    void reconnectIfLost() const;
    Failure failed(const QString &action, const QSqlError &error) const;
    void run(QSqlQuery &query, const QString &action) const;
    void makeTables();
    qint64 insertDocument(const Invoice &invoice, const ArchiveFiles &files, PrintMode mode, const PrintStamp &stamp);
    void writeBackNumber(const Invoice &invoice);
    QSqlRecord companyRecord(const QString &table, const InvoiceSupplier &supplier) const;
    // The totals of the credit notes that stand, by the invoice they correct
    // (creditedInvoiceKey): what they pay on it.
    QHash<QString, Amount> creditNotesByInvoice() const;
    // One document as a scan of the register reads it.
    struct Scanned : DocumentHead {
        // The texts, read only when asked for: company, number, "Дата на
        // плащане", the issue date and the sort date.
        std::function<QString(int)> text;
    };
    enum ScannedText { CompanyText, NumberText, PaymentDateText, IssueDateText, SortDateText };
    // The columns of a DocumentHead, first in both reads' statements, and
    // their reading from a row.
    static QString headColumns();
    static void readHead(const RowScan &rows, DocumentHead &head);
    void scan(const RegisterQuery &query, const std::function<void(const Scanned &)> &each) const;
    // What is paid on each document (by its key), credit notes left out: on
    // every document, or on those issued in a period.
    QHash<qint64, Amount> paidByDocument() const;
    QHash<qint64, Amount> paidByDocument(const QDate &from, const QDate &to) const;
    void sumPayments(const QString &sql, const QVariantList &bind, QHash<qint64, Amount> &paid,
                     qint64 *lastKey = nullptr) const;
    void fillBalances(QList<RegisterRow> &rows) const;

    QString m_dataFolder;
    std::optional<QString> m_server;  // the server's connection string; none for the file
    QString m_connection;
    mutable QSqlDatabase m_database;
    mutable bool m_lost = false;  // the server's connection is gone: the next command connects again
    int m_paymentTermDays = DefaultPaymentTermDays;
    // A file's payments summed so far, up to the row key read last.
    mutable QHash<qint64, Amount> m_paid;
    mutable qint64 m_paidUpTo = 0;
};
