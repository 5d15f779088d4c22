#pragma once

#include "ledger/SalesLedger.h"

// Documents of the own company no. 1 for the sales ledger tests.

inline LedgerCompany ledgerCompany()
{
    // Stored as the page's caption "ИН по ЗДДС BG" invites: digits only.
    return {QStringLiteral("123456789"), QStringLiteral("Билваро ЕООД"), QStringLiteral("123456789"),
            QStringLiteral("Иван Петров"), QStringLiteral("7501010010"), QStringLiteral("1000 София, ул. Рила 1")};
}

inline LedgerDocument ledgerDocument(const QString &number, QDate issued, const char *base, const char *vat,
                                     const QString &rate = QStringLiteral("20"))
{
    LedgerDocument document;
    document.issued = issued;
    Invoice &invoice = document.invoice;
    invoice.number = number;
    invoice.issueDate = issued.toString(QStringLiteral("dd.MM.yyyy"));
    const LedgerCompany company = ledgerCompany();
    invoice.supplier.recordNo = 1;
    invoice.supplier.party = {company.name, QStringLiteral("София"), company.person, company.vatNumber, company.key};
    invoice.client = {QStringLiteral("Алфа ООД"), QStringLiteral("Пловдив"), QStringLiteral("Мария Иванова"),
                      QStringLiteral("BG111111111"), QStringLiteral("111111111")};
    invoice.totals.taxBase = Amount::parseOrThrow(QString::fromLatin1(base));
    invoice.totals.vat = Amount::parseOrThrow(QString::fromLatin1(vat));
    invoice.totals.total = invoice.totals.taxBase + invoice.totals.vat;
    invoice.totals.rate = rate;
    invoice.texts.vatBasis = QString(76, u'.');
    InvoiceLine line;
    line.number = 1;
    line.description = QStringLiteral("Химикалка синя");
    line.unit = QStringLiteral("бр.");
    line.quantity = Amount::parseOrThrow(u"2");
    line.value = invoice.totals.taxBase;
    line.price = Amount::fromUnits(line.value.units() / 2);
    invoice.lines = {line};
    return document;
}

// December 2025, a month in leva: invoices, notes, a proforma, a cancelled
// invoice, one in euro, one at 0 %, a long name and one with a letter the
// code page lacks; and documents that do not belong (another company,
// November).
inline QList<LedgerDocument> december2025()
{
    QList<LedgerDocument> month;
    month << ledgerDocument(QStringLiteral("0000000011"), QDate(2025, 12, 3), "100.00", "20.00");
    LedgerDocument proforma = ledgerDocument(QStringLiteral("0000000003"), QDate(2025, 12, 4), "70.00", "14.00");
    proforma.invoice.kind = DocumentKind::Proforma;
    month << proforma;
    LedgerDocument cancelled = ledgerDocument(QStringLiteral("0000000013"), QDate(2025, 12, 5), "50.00", "10.00");
    cancelled.cancelled = true;
    cancelled.cancelledOn = QDate(2025, 12, 6);
    month << cancelled;
    LedgerDocument credit = ledgerDocument(QStringLiteral("0000000012"), QDate(2025, 12, 5), "10.00", "2.00");
    credit.invoice.note.kind = NoteKind::Credit;
    month << credit;
    LedgerDocument debit = ledgerDocument(QStringLiteral("0000000014"), QDate(2025, 12, 10), "5.00", "1.00");
    debit.invoice.note.kind = NoteKind::Debit;
    month << debit;
    LedgerDocument euro = ledgerDocument(QStringLiteral("0000000015"), QDate(2025, 12, 12), "100.00", "20.00");
    euro.invoice.currency = Currency::Euro;
    month << euro;
    LedgerDocument abroad = ledgerDocument(QStringLiteral("0000000016"), QDate(2025, 12, 15), "300.00", "0.00",
                                           QStringLiteral("0"));
    abroad.invoice.texts.vatBasis = QStringLiteral("чл. 24, ал. 2");
    abroad.invoice.client = {QStringLiteral("Müller GmbH"), QStringLiteral("Berlin"), QString(),
                             QStringLiteral("DE123456789"), QString()};
    month << abroad;
    LedgerDocument longName = ledgerDocument(QStringLiteral("0000000017"), QDate(2025, 12, 20), "1234.56", "246.91");
    longName.invoice.client.name =
        QStringLiteral("Търговско дружество „Дълго име“ ООД, клон Варна-Запад, склад № 2");
    month << longName;
    // The first of the month's records, though its number is the highest.
    month << ledgerDocument(QStringLiteral("0000000018"), QDate(2025, 12, 2), "8.33", "1.67");
    LedgerDocument otherCompany = ledgerDocument(QStringLiteral("0000000002"), QDate(2025, 12, 6), "9.00", "1.80");
    otherCompany.invoice.supplier.party.eik = QStringLiteral("987654321");
    month << otherCompany;
    month << ledgerDocument(QStringLiteral("0000000010"), QDate(2025, 11, 30), "40.00", "8.00");
    return month;
}
