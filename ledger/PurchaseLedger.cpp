#include "ledger/PurchaseLedger.h"

#include "common/Failure.h"
#include "ledger/Identifiers.h"
#include "ledger/LedgerFiles.h"

#include <algorithm>
#include <cstdlib>

namespace {

Amount &at(PurchaseCells &cells, PurchaseCell cell) { return cells[std::size_t(cell)]; }
Amount at(const PurchaseCells &cells, PurchaseCell cell) { return cells[std::size_t(cell)]; }
Amount &at(LedgerCells &cells, LedgerCell cell) { return cells[std::size_t(cell)]; }
Amount at(const LedgerCells &cells, LedgerCell cell) { return cells[std::size_t(cell)]; }

QString dateText(QDate date) { return date.toString(QStringLiteral("dd.MM.yyyy")); }

template <typename Record>
bool recordBefore(const Record &a, const Record &b)
{
    if (a.date != b.date)
        return a.date < b.date;
    return a.number.size() != b.number.size() ? a.number.size() < b.number.size() : a.number < b.number;
}

Amount negated(Amount amount) { return Amount() - amount; }
Amount magnitude(Amount amount) { return amount < Amount() ? negated(amount) : amount; }

// Whether the document is in the period's ledger, and with which sign:
// received in the period and standing (or, on the sales side, cancelled in
// it: zero), or received earlier and cancelled in the period (opposite sign).
enum class Presence { Absent, AsIs, Cancelled, Reversal };

Presence presence(const PurchaseDocument &document, TaxPeriod period)
{
    const bool cancelledBy = document.cancelled
        && (!document.cancelledOn.isValid() || document.cancelledOn <= period.lastDay());
    if (period.contains(document.date))
        return cancelledBy ? Presence::Cancelled : Presence::AsIs;
    if (document.cancelled && document.cancelledOn.isValid() && period.contains(document.cancelledOn)
        && document.date < period.firstDay())
        return Presence::Reversal;
    return Presence::Absent;
}

// The base and the tax as the ledgers carry them: a credit note negative
// however typed, anything else as typed.
std::pair<Amount, Amount> signedAmounts(const PurchaseDocument &document)
{
    if (document.type == QStringLiteral("03") || document.type == QStringLiteral("13")
        || document.type == QStringLiteral("23"))
        return {negated(magnitude(document.taxBase)), negated(magnitude(document.vat))};
    return {document.taxBase, document.vat};
}

Identifiers::Counterparty supplierOf(const PurchaseDocument &document)
{
    return Identifiers::counterparty(document.supplierVatNumber, document.supplierEik);
}

} // namespace

bool isPurchaseType(const QString &type)
{
    static const QStringList types = {"01", "02", "03", "05", "07", "09", "11", "12", "13", "23", "91", "92", "93", "94"};
    return types.contains(type);
}

bool countsInReturn(const QString &type)
{
    static const QStringList left = {"05", "11", "12", "13", "94", "04"};
    return !left.contains(type);
}

PurchaseLedger buildPurchaseLedger(const QList<PurchaseDocument> &documents, const LedgerCompany &company,
                                   TaxPeriod period, Amount coefficient)
{
    PurchaseLedger ledger;
    ledger.company = company;
    ledger.period = period;
    ledger.coefficient = coefficient;
    const Currency currency = period.currency();
    for (const PurchaseDocument &document : documents) {
        const Presence present = presence(document, period);
        // A purchase cancelled in its own month is not recorded at all.
        if (present == Presence::Absent || present == Presence::Cancelled)
            continue;
        const LedgerIssue issue{document.number, document.date, {}};
        PurchaseRecord record;
        record.type = document.type;
        record.number = fittedText(document.number, LedgerWidths::Number);
        record.date = document.date;
        const Identifiers::Counterparty supplier = supplierOf(document);
        record.supplierId = supplier.id;
        record.supplierName = fittedText(document.supplierName, LedgerWidths::ClientName);
        record.description = fittedText(document.description, LedgerWidths::Description);
        record.reversal = present == Presence::Reversal;
        record.converted = document.currency != currency;
        if (!supplier.problem.isEmpty())
            ledger.invalidSupplierId.append({issue.number, issue.date, supplier.problem});
        else if (supplier.id.isEmpty())
            ledger.withoutSupplierId.append(issue);
        if (!isPurchaseType(document.type))
            ledger.unknownType.append({issue.number, issue.date, document.type});

        auto [base, vat] = signedAmounts(document);
        if ((base < Amount() && vat > Amount()) || (base > Amount() && vat < Amount()))
            ledger.mixedSigns.append(issue);
        base = convertedToCents(base, document.currency, currency);
        vat = convertedToCents(vat, document.currency, currency);
        if (record.reversal) {
            base = negated(base);
            vat = negated(vat);
        }
        switch (document.credit) {
        case CreditRight::Full:
            at(record.cells, PurchaseCell::FullBase) = base;
            at(record.cells, PurchaseCell::FullVat) = vat;
            break;
        case CreditRight::Partial:
            at(record.cells, PurchaseCell::PartialBase) = base;
            at(record.cells, PurchaseCell::PartialVat) = vat;
            break;
        case CreditRight::None:
            at(record.cells, PurchaseCell::NoCredit) = base + vat;  // "ДО и данък"
            break;
        }
        ledger.records.append(record);
    }
    std::stable_sort(ledger.records.begin(), ledger.records.end(), recordBefore<PurchaseRecord>);
    for (qsizetype i = 0; i < ledger.records.size(); ++i) {
        PurchaseRecord &record = ledger.records[i];
        record.runningNumber = int(i) + 1;
        if (!countsInReturn(record.type))
            continue;
        for (int cell = 0; cell < PurchaseCellCount; ++cell)
            ledger.sums[cell] = ledger.sums[cell] + record.cells[cell];
    }
    return ledger;
}

SalesLedger withProtocols(SalesLedger sales, const QList<PurchaseDocument> &documents)
{
    const Currency currency = sales.period.currency();
    for (const PurchaseDocument &document : documents) {
        const Presence present = presence(document, sales.period);
        if (document.protocol == ProtocolKind::None || present == Presence::Absent)
            continue;
        LedgerRecord record;
        record.type = QStringLiteral("09");
        record.number = fittedText(document.number, LedgerWidths::Number);
        record.date = document.date;
        record.clientId = supplierOf(document).id;
        record.clientName = fittedText(document.supplierName, LedgerWidths::ClientName);
        record.description = fittedText(document.description, LedgerWidths::Description);
        record.cancelled = present == Presence::Cancelled;
        record.reversal = present == Presence::Reversal;
        record.converted = document.currency != currency;
        if (!record.cancelled) {
            const int sign = record.reversal ? -1 : 1;
            const auto cents = [&](Amount amount) {
                const Amount converted = convertedToCents(amount, document.currency, currency);
                return sign < 0 ? negated(converted) : converted;
            };
            const LedgerCell baseCell = document.protocol == ProtocolKind::Acquisition ? LedgerCell::BaseAcquisitions
                                                                                       : LedgerCell::BaseArt82;
            at(record.cells, baseCell) = cents(document.taxBase);
            at(record.cells, LedgerCell::VatAcquisitions) = cents(document.vat);
            at(record.cells, LedgerCell::TaxBase) = at(record.cells, baseCell);
            at(record.cells, LedgerCell::Vat) = at(record.cells, LedgerCell::VatAcquisitions);
        }
        sales.convertedCount += record.converted && !record.cancelled;
        sales.records.append(record);
    }
    std::stable_sort(sales.records.begin(), sales.records.end(), recordBefore<LedgerRecord>);
    sales.sums = {};
    for (qsizetype i = 0; i < sales.records.size(); ++i) {
        sales.records[i].runningNumber = int(i) + 1;
        for (int cell = 0; cell < LedgerCellCount; ++cell)
            sales.sums[cell] = sales.sums[cell] + sales.records[i].cells[cell];
    }
    return sales;
}

ReturnResult returnResult(const SalesLedger &sales, const PurchaseLedger &purchases)
{
    ReturnResult result;
    // 01-42 × 01-33 with the coefficient as written, to the hundredth,
    // rounded half away from zero to the cent.
    const std::int64_t centUnits = Amount::Scale / 100;
    const std::int64_t vatCents = at(purchases.sums, PurchaseCell::PartialVat).units() / centUnits;
    const std::int64_t hundredths = convertedToCents(purchases.coefficient, Currency::Leva, Currency::Leva).units() / centUnits;
    const std::int64_t product = vatCents * hundredths;
    const std::int64_t rounded = (std::llabs(product) + 50) / 100;
    const Amount partial = Amount::fromUnits((product < 0 ? -rounded : rounded) * centUnits);
    result.credit = at(purchases.sums, PurchaseCell::FullVat) + partial + at(purchases.sums, PurchaseCell::Adjustment);
    const Amount due = at(sales.sums, LedgerCell::Vat) - result.credit;
    result.toPay = due > Amount() ? due : Amount();
    result.toRefund = due < Amount() ? negated(due) : Amount();
    return result;
}

QStringList checkPurchases(const PurchaseLedger &ledger)
{
    QStringList blocking;
    const auto named = [](const LedgerIssue &issue) {
        return QStringLiteral("Покупка № %1 от %2").arg(issue.number, dateText(issue.date));
    };
    for (const LedgerIssue &issue : ledger.withoutSupplierId)
        blocking << named(issue) + QStringLiteral(" е без ИН по ЗДДС и без ЕИК на доставчика.");
    for (const LedgerIssue &issue : ledger.invalidSupplierId)
        blocking << named(issue) + QStringLiteral(": ") + issue.reason;
    for (const LedgerIssue &issue : ledger.unknownType)
        blocking << named(issue) + QStringLiteral(" е с вид на документа „%1“, който дневникът за покупки не приема.")
                                        .arg(issue.reason);
    for (const LedgerIssue &issue : ledger.mixedSigns)
        blocking << named(issue) + QStringLiteral(" е с данъчна основа и ДДС с различен знак: въведете го като два документа.");
    const bool partial = std::any_of(ledger.records.cbegin(), ledger.records.cend(), [](const PurchaseRecord &record) {
        return record.cells[std::size_t(PurchaseCell::PartialVat)] != Amount()
            || record.cells[std::size_t(PurchaseCell::PartialBase)] != Amount();
    });
    if (ledger.coefficient < Amount() || ledger.coefficient > Amount::fromUnits(Amount::Scale))
        blocking << QStringLiteral("Коефициентът по чл. 73, ал. 5 (01-33) е между 0 и 1.");
    else if (partial && ledger.coefficient == Amount())
        blocking << QStringLiteral("Има покупки с частичен данъчен кредит: въведете коефициента по чл. 73, ал. 5 (01-33).");
    return blocking;
}

QString purchaseSummary(const PurchaseLedger &ledger, const SalesLedger &sales)
{
    const auto cell = [&](PurchaseCell c) { return centsText(at(ledger.sums, c)); };
    const ReturnResult result = returnResult(sales, ledger);
    QStringList out;
    out << QStringLiteral("Дневник за покупки: %1 документа").arg(ledger.records.size());
    out << QStringLiteral("С пълен данъчен кредит: данъчна основа %1, ДДС %2")
               .arg(cell(PurchaseCell::FullBase), cell(PurchaseCell::FullVat));
    out << QStringLiteral("С частичен данъчен кредит: данъчна основа %1, ДДС %2, коефициент %3")
               .arg(cell(PurchaseCell::PartialBase), cell(PurchaseCell::PartialVat), centsText(ledger.coefficient));
    out << QStringLiteral("Без право на данъчен кредит или без ДДС: %1").arg(cell(PurchaseCell::NoCredit));
    out << QStringLiteral("Данъчен кредит (01-40): %1; ДДС за внасяне (01-50): %2; ДДС за възстановяване (01-60): %3")
               .arg(centsText(result.credit), centsText(result.toPay), centsText(result.toRefund));
    return out.join(u'\n');
}

PurchaseDocument purchaseFromTexts(const PurchaseTexts &texts)
{
    const auto refuse = [](const QString &field, const QString &why) {
        throw Failure(QStringLiteral("„%1“: %2").arg(field, why));
    };
    PurchaseDocument document;
    document.supplierName = texts.supplierName.simplified();
    if (document.supplierName.isEmpty())
        refuse(QStringLiteral("Доставчик"), QStringLiteral("попълнете името на доставчика."));
    document.supplierVatNumber = texts.supplierVatNumber.simplified();
    document.supplierEik = texts.supplierEik.simplified();
    const Identifiers::Counterparty supplier = supplierOf(document);
    if (!supplier.problem.isEmpty())
        refuse(document.supplierVatNumber.isEmpty() ? QStringLiteral("ЕИК") : QStringLiteral("ИН по ЗДДС"),
               supplier.problem);
    if (supplier.id.isEmpty())
        refuse(QStringLiteral("ИН по ЗДДС"), QStringLiteral("попълнете ИН по ЗДДС на доставчика, а за нерегистриран – "
                                                          "ЕИК (за лице без такъв: 999999999999999)."));
    document.type = texts.type.trimmed();
    if (!isPurchaseType(document.type))
        refuse(QStringLiteral("Вид"), QStringLiteral("„%1“ не е вид документ на дневника за покупки.").arg(document.type));
    document.protocol = texts.protocol;
    if (document.protocol != ProtocolKind::None && document.type != QStringLiteral("09"))
        refuse(QStringLiteral("Вид"), QStringLiteral("протокол по чл. 117 е документ вид 09."));
    document.number = texts.number.simplified();
    if (document.number.isEmpty() || document.number.size() > LedgerWidths::Number)
        refuse(QStringLiteral("Номер"), QStringLiteral("номерът на документа е от 1 до 20 знака."));
    document.date = QDate::fromString(texts.date.trimmed(), QStringLiteral("d.M.yyyy"));
    if (!document.date.isValid())
        refuse(QStringLiteral("Дата"), QStringLiteral("„%1“ не е дата (ден.месец.година).").arg(texts.date.trimmed()));
    document.description = texts.description.simplified();
    document.currency = texts.currency;
    const auto amount = [&](const QString &text, const QString &field) {
        const auto parsed = Amount::parse(QString(text).replace(u',', u'.').trimmed());
        if (!parsed)
            refuse(field, QStringLiteral("„%1“ не е сума.").arg(text.trimmed()));
        return convertedToCents(*parsed, document.currency, document.currency);
    };
    document.taxBase = amount(texts.taxBase, QStringLiteral("Данъчна основа"));
    document.vat = texts.vat.trimmed().isEmpty() ? Amount() : amount(texts.vat, QStringLiteral("ДДС"));
    if ((document.taxBase < Amount() && document.vat > Amount()) || (document.taxBase > Amount() && document.vat < Amount()))
        refuse(QStringLiteral("ДДС"), QStringLiteral("данъчната основа и ДДС са с един и същ знак; въведете документа като два."));
    document.credit = texts.credit;
    return document;
}
