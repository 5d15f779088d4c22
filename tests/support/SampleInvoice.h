#pragma once

#include "document/Invoice.h"
#include "reference/Schema.h"
#include "tools/TableMaker.h"

// A document as the windows would hand it over after assembly, for tests
// of what comes after the page. Its own company is the first record of the
// Firm.db that makeOwnCompany() lays out.
inline Invoice sampleInvoice(DocumentKind kind, NoteKind note, Currency currency, const QString &number,
                             const QString &client = QStringLiteral("Клиент ООД"))
{
    const auto amount = [](const char16_t *text) { return Amount::parseOrThrow(text); };
    Invoice invoice;
    invoice.kind = kind;
    invoice.note.kind = note;
    if (note != NoteKind::None) {
        invoice.note.invoiceNumber = QStringLiteral("0000000007");
        invoice.note.invoiceDate = QStringLiteral("2.1.2026 г.");
        invoice.note.references = {{QStringLiteral("0000000007"), QStringLiteral("411"), QStringLiteral("12.00")}};
    }
    invoice.number = number;
    invoice.issueDate = QStringLiteral("8.2.2026 г.");
    invoice.currency = currency;
    invoice.supplier = {1,
                        {QStringLiteral("Доставчик ЕООД"), QStringLiteral("София, ул. Рила 1"), QStringLiteral("Иван Петров"),
                         QStringLiteral("123456789"), QStringLiteral("123456789")},
                        QStringLiteral("(Фирма)"),
                        QStringLiteral("(Адреса)"),
                        QStringLiteral("София")};
    invoice.heading = kind == DocumentKind::Proforma ? QStringLiteral("ПРОФОРМА ФАКТУРА") : QStringLiteral("ФАКТУРА");
    invoice.client = {client, QStringLiteral("Пловдив\nбул. Марица 5"), QStringLiteral("Мария Колева"),
                      QStringLiteral("BG987654321"), QStringLiteral("987654321")};
    invoice.payment = {QStringLiteral("по банков път"), QStringLiteral("Банка АД"),
                       QStringLiteral("BG80BNBG96611020345678"), QStringLiteral("BNBGBGSD")};
    invoice.lines = {{1, QStringLiteral("Хартия А4\nвтори ред"), QStringLiteral("пакет"), amount(u"3"),
                      amount(u"5.5"), amount(u"16.5")},
                     {2, QStringLiteral("Химикалка 'синя' & \"червена\""), QStringLiteral("бр."), amount(u"0.125"),
                      amount(u"0.3333"), amount(u"0.04")}};
    invoice.totals = {amount(u"16.54"), QStringLiteral("20"), amount(u"3.31"), amount(u"19.85")};
    invoice.texts = {QStringLiteral("деветнадесет ... 85"), QString(), QStringLiteral("/основание/"), QString(),
                     QStringLiteral("8.2.2026 г."),
                     QStringLiteral("8.2.2026 г."), QStringLiteral("Мария Колева"), QStringLiteral("Иван Петров")};
    return invoice;
}

// DB/Firm.db with the own company of sampleInvoice() as its first record.
inline bool makeOwnCompany(const QString &dataFolder, const QString &lastInvoice = QStringLiteral("0000000000"))
{
    using namespace Schema::Firm;
    return TableMaker::makeTable(dataFolder, TableMaker::referenceTable(FileName),
                                 {{{Supplier.name, QStringLiteral("Доставчик ЕООД")},
                                   {IdNumber.name, QStringLiteral("123456789")},
                                   {LastInvoice.name, lastInvoice},
                                   {LastProforma.name, QStringLiteral("0000000000")}}});
}
