#pragma once

#include "common/Amount.h"
#include "common/Currency.h"
#include "common/Failure.h"
#include "document/Invoice.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <optional>

// The archive image and the PDF copy a print wrote.
struct ArchiveFiles {
    QString image;
    QString pdf;
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

// What the register window shows: documents whose client name, client ЕИК
// or number contain the text (letter case not counting), dated within the
// period (an invalid date leaves that end open).
struct RegisterQuery {
    QString text;
    QDate from;
    QDate to;
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
};

// The sums of the shown documents in one currency.
struct CurrencySum {
    Currency currency = Currency::Leva;
    int count = 0;
    Amount taxBase, vat, total;
    friend bool operator==(const CurrencySum &, const CurrencySum &) = default;
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

    // Records a print of the document: a number the register does not hold
    // is recorded with the whole document and, in the same transaction,
    // written back into the own company's record in Firm.db ("Фактура №" or
    // "Проформа №", never lowered); the same document again counts one more
    // copy. A number held with other content is refused with a message that
    // names that document; so is an original of a cancelled document. The
    // own company's record is the one at the document's record number, and
    // must still carry the document's ЕИК.
    Recorded recordPrint(const Invoice &invoice, const ArchiveFiles &files, PrintMode mode,
                         const PrintStamp &stamp = PrintStamp::now());
    // One more copy of a recorded document (printed from the register).
    void countCopy(qint64 id, const QDateTime &at = QDateTime::currentDateTime());
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
    // The invoices a credit or debit note of the own company (its key, as
    // IssuedRules::companyKey) to the client may refer to, newest first:
    // invoices that are no note and are not cancelled, to the client of the
    // ЕИК, or of the name where the ЕИК is blank.
    QList<qint64> invoicesFor(const QString &company, const QString &clientEik, const QString &clientName) const;
    // The document holding the number, if any.
    std::optional<qint64> documentId(const QString &company, NumberSeries series, const QString &number) const;

private:
    class Write;
    void connect();
    void reconnectIfLost() const;
    Failure failed(const QString &action, const QSqlError &error) const;
    void run(QSqlQuery &query, const QString &action) const;
    void makeTables();
    qint64 insertDocument(const Invoice &invoice, const ArchiveFiles &files, PrintMode mode, const PrintStamp &stamp);
    void writeBackNumber(const Invoice &invoice);

    QString m_dataFolder;
    std::optional<QString> m_server;  // the server's connection string; none for the file
    QString m_connection;
    mutable QSqlDatabase m_database;
    mutable bool m_lost = false;  // the server's connection is gone: the next command connects again
};
