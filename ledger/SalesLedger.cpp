#include "ledger/SalesLedger.h"

#include "common/Cp1251.h"
#include "ledger/Identifiers.h"
#include "ledger/LedgerFiles.h"

#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::array<const char *, LedgerCellCount> CellCodes = {
    "02-10", "02-20", "02-11", "02-21", "02-12", "02-26", "02-22", "02-23", "02-13",
    "02-24", "02-14", "02-15", "02-16", "02-17", "02-18", "02-19", "02-25"};

// 02-10 and 02-20 are sums of these.
constexpr std::array<LedgerCell, 7> TaxBaseParts = {
    LedgerCell::Base20, LedgerCell::BaseAcquisitions, LedgerCell::Base9, LedgerCell::ZeroChapter3,
    LedgerCell::ZeroIntraCommunity, LedgerCell::ZeroArt140, LedgerCell::BaseArt82};
constexpr std::array<LedgerCell, 4> VatParts = {LedgerCell::Vat20, LedgerCell::VatAcquisitions,
                                                LedgerCell::VatPersonalUse, LedgerCell::Vat9};

// Leva for one euro, in hundred-thousandths.
constexpr std::int64_t LevaPerEuro = 195583;
constexpr std::int64_t LevaPerEuroScale = 100000;

Amount &at(LedgerCells &cells, LedgerCell cell) { return cells[std::size_t(cell)]; }
Amount at(const LedgerCells &cells, LedgerCell cell) { return cells[std::size_t(cell)]; }

// numerator / denominator for non-negative numbers, the half rounded up.
std::int64_t roundedQuotient(__int128 numerator, __int128 denominator)
{
    return std::int64_t((2 * numerator + denominator) / (2 * denominator));
}

QString dateText(QDate date) { return date.toString(QStringLiteral("dd.MM.yyyy")); }

LedgerIssue issueOf(const LedgerDocument &document, const QString &reason = {})
{
    return {document.invoice.number, document.issued, reason};
}

QString documentType(const Invoice &invoice)
{
    switch (invoice.note.kind) {
    case NoteKind::Debit:
        return QStringLiteral("02");
    case NoteKind::Credit:
        return QStringLiteral("03");
    case NoteKind::None:
        break;
    }
    return QStringLiteral("01");
}

QString description(const Invoice &invoice)
{
    QStringList parts;
    for (const InvoiceLine &line : invoice.lines)
        parts.append(line.description.simplified());
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

// The rate in whole percent from its text as entered ("20", "20%") or as the
// fraction the totals count with ("0.20"); nothing for any other text.
std::optional<int> rateOf(QString text)
{
    text.remove(u'%');
    const auto rate = Amount::parse(text);
    if (!rate || *rate < Amount())
        return std::nullopt;
    const std::int64_t units = rate->units();
    if (units % Amount::Scale == 0)
        return int(units / Amount::Scale);
    if (units < Amount::Scale && units % (Amount::Scale / 100) == 0)
        return int(units / (Amount::Scale / 100));
    return std::nullopt;
}

bool numberBefore(const QString &a, const QString &b)
{
    // Ten-digit numbers compare as texts; a shorter number is the smaller.
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

} // namespace

QString TaxPeriod::code() const { return QStringLiteral("%1%2").arg(year, 4, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0')); }

QString TaxPeriod::text() const { return QStringLiteral("%1.%2").arg(month, 2, 10, QLatin1Char('0')).arg(year); }

Currency TaxPeriod::currency() const { return year >= 2026 ? Currency::Euro : Currency::Leva; }

QString cellCode(LedgerCell cell) { return QLatin1String(CellCodes[std::size_t(cell)]); }

QString zeroRateCellName(LedgerCell cell)
{
    switch (cell) {
    case LedgerCell::ZeroChapter3:
        return QStringLiteral("0 % по глава трета от ЗДДС (02-14)");
    case LedgerCell::ZeroIntraCommunity:
        return QStringLiteral("0 %, вътреобщностна доставка (02-15)");
    case LedgerCell::ZeroArt140:
        return QStringLiteral("0 % по чл. 140, 146, ал. 1 и чл. 173 (02-16)");
    case LedgerCell::ServicesOtherState:
        return QStringLiteral("услуги по чл. 21, ал. 2 в друга държава членка (02-17)");
    case LedgerCell::DistanceSales:
        return QStringLiteral("дистанционни продажби по чл. 69, ал. 2 (02-18)");
    case LedgerCell::Exempt:
        return QStringLiteral("освободени доставки (02-19)");
    case LedgerCell::Triangular:
        return QStringLiteral("посредник в тристранна операция (02-25)");
    default:
        return cellCode(cell);
    }
}

bool isEmptyVatBasis(const QString &basis)
{
    static const QRegularExpression placeholder(QStringLiteral("^[\\s.…_]*$"));
    return placeholder.match(basis).hasMatch();
}

Amount convertedToCents(Amount amount, Currency from, Currency to)
{
    const std::int64_t units = amount.units();
    const __int128 magnitude = units < 0 ? -__int128(units) : __int128(units);
    const std::int64_t centUnits = Amount::Scale / 100;
    std::int64_t cents = 0;
    if (from == to)
        cents = roundedQuotient(magnitude, centUnits);
    else if (from == Currency::Leva)
        cents = roundedQuotient(magnitude * LevaPerEuroScale, __int128(centUnits) * LevaPerEuro);
    else
        cents = roundedQuotient(magnitude * LevaPerEuro, __int128(centUnits) * LevaPerEuroScale);
    return Amount::fromUnits((units < 0 ? -cents : cents) * centUnits);
}

QString vatNumberWithPrefix(const QString &stored)
{
    QString number = stored;
    number.remove(QRegularExpression(QStringLiteral("\\s")));
    if (number.isEmpty())
        return number;
    if (number.startsWith(QStringLiteral("BG"), Qt::CaseInsensitive))
        number = number.mid(2);
    return QStringLiteral("BG") + number;
}

QString quotedName(const QString &name)
{
    const QString shown = name.simplified();
    // A name that ends in its own closing quote ("ЕТ „Иван Петров – 91“")
    // shares it with the quotes around it.
    return u'„' + shown + (shown.endsWith(u'“') ? QString() : QStringLiteral("“"));
}

QList<LedgerCompany> companiesOf(const QList<LedgerDocument> &documents)
{
    QHash<QString, std::pair<QDate, LedgerCompany>> newest;
    for (const LedgerDocument &document : documents) {
        const InvoiceSupplier &supplier = document.invoice.supplier;
        const QString key = companyKey(supplier);
        auto found = newest.find(key);
        if (found != newest.end() && found->first > document.issued)
            continue;
        newest[key] = {document.issued, {key, supplier.party.name, supplier.party.vatNumber, supplier.party.manager, {},
                                            supplier.party.address}};
    }
    QList<LedgerCompany> companies;
    for (const auto &entry : std::as_const(newest))
        companies.append(entry.second);
    std::sort(companies.begin(), companies.end(), [](const LedgerCompany &a, const LedgerCompany &b) {
        return std::pair(a.name.simplified(), a.key) < std::pair(b.name.simplified(), b.key);
    });
    return companies;
}

namespace {

// Places a document's amounts, in its own currency, into the cells; a
// failure to place is recorded on the ledger and leaves the cells empty. A
// credit note's amounts are negative however they were typed; an invoice's
// or a debit note's sign is never changed (a negative one is refused).
void placeAmounts(const LedgerDocument &document, const QString &clientCountry, const PlacementChoices &choices,
                  SalesLedger &ledger, LedgerRecord &record, LedgerCells &cells)
{
    const Invoice &invoice = document.invoice;
    const bool credit = invoice.note.kind == NoteKind::Credit;
    const auto signedAmount = [credit](Amount amount) {
        if (!credit)
            return amount;
        return amount.units() < 0 ? amount : Amount() - amount;
    };
    if (!credit && (invoice.totals.total < Amount() || invoice.totals.taxBase < Amount()))
        ledger.negative.append(issueOf(document));
    const Amount base = signedAmount(invoice.totals.taxBase);
    const Amount vat = signedAmount(invoice.totals.vat);
    const auto rate = rateOf(invoice.totals.rate);
    if (rate == 20 || rate == 9) {
        at(cells, rate == 20 ? LedgerCell::Base20 : LedgerCell::Base9) = base;
        at(cells, rate == 20 ? LedgerCell::Vat20 : LedgerCell::Vat9) = vat;
        return;
    }
    if (rate != 0 || vat != Amount()) {
        ledger.unknownRate.append(issueOf(document, invoice.totals.rate));
        return;
    }
    if (const auto code = art163aCode(invoice.texts.vatBasis)) {
        record.supplyCode = *code;
        if (code->isEmpty())
            ledger.art163aWithoutPart.append(issueOf(document));
    }
    auto cell = cellForVatBasis(invoice.texts.vatBasis, clientCountry);
    if (!cell && choices.contains(invoice.number))
        cell = choices.value(invoice.number);
    if (!cell) {
        ledger.unplaceable.append(issueOf(document, invoice.texts.vatBasis));
        return;
    }
    at(cells, *cell) = base;
}

bool cancelledBy(const LedgerDocument &document, QDate day)
{
    return document.cancelled && (!document.cancelledOn.isValid() || document.cancelledOn <= day);
}

LedgerRecord recordOf(const LedgerDocument &document, const PlacementChoices &choices, SalesLedger &ledger)
{
    const Invoice &invoice = document.invoice;
    LedgerRecord record;
    record.type = documentType(invoice);
    record.number = fittedText(invoice.number, LedgerWidths::Number);
    record.date = document.issued;
    const Identifiers::Counterparty client = Identifiers::counterparty(invoice.client.vatNumber, invoice.client.eik);
    record.clientId = fittedText(client.id, LedgerWidths::ClientId);
    record.clientName = fittedText(invoice.client.name, LedgerWidths::ClientName);
    record.description = fittedText(description(invoice), LedgerWidths::Description);
    // Cancelled within its own month: in the ledger with zero amounts. One
    // issued in an earlier month and cancelled in this one: back with the
    // opposite sign. A cancel after the month does not touch it.
    record.reversal = !ledger.period.contains(document.issued);
    record.cancelled = !record.reversal && cancelledBy(document, ledger.period.lastDay());
    if (!client.problem.isEmpty())
        ledger.invalidClientId.append(issueOf(document, client.problem));
    else if (record.clientId.isEmpty())
        ledger.withoutClientId.append(issueOf(document));
    for (const QString &text : {record.number, record.clientId, record.clientName, record.description}) {
        if (!Cp1251::encodable(text)) {
            ledger.replacedNumbers.append(invoice.number);
            break;
        }
    }

    if (record.cancelled)
        return record;
    LedgerCells own{};
    placeAmounts(document, client.country(), choices, ledger, record, own);
    const Currency currency = ledger.period.currency();
    record.converted = invoice.currency != currency;
    for (int i = 0; i < LedgerCellCount; ++i) {
        const Amount amount = convertedToCents(own[i], invoice.currency, currency);
        record.cells[i] = record.reversal ? Amount() - amount : amount;
    }
    for (LedgerCell part : TaxBaseParts)
        at(record.cells, LedgerCell::TaxBase) = at(record.cells, LedgerCell::TaxBase) + at(record.cells, part);
    for (LedgerCell part : VatParts)
        at(record.cells, LedgerCell::Vat) = at(record.cells, LedgerCell::Vat) + at(record.cells, part);
    return record;
}

} // namespace

SalesLedger buildSalesLedger(const QList<LedgerDocument> &documents, const LedgerCompany &company,
                             TaxPeriod period, const PlacementChoices &choices)
{
    QList<const LedgerDocument *> chosen;
    for (const LedgerDocument &document : documents) {
        if (document.invoice.kind == DocumentKind::Proforma || companyKey(document.invoice.supplier) != company.key)
            continue;
        const bool cancelledHere = document.cancelled && document.cancelledOn.isValid()
            && period.contains(document.cancelledOn) && document.issued < period.firstDay();
        if (period.contains(document.issued) || cancelledHere)
            chosen.append(&document);
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const LedgerDocument *a, const LedgerDocument *b) {
        if (a->issued != b->issued)
            return a->issued < b->issued;
        return numberBefore(a->invoice.number, b->invoice.number);
    });

    SalesLedger ledger;
    ledger.company = company;
    ledger.period = period;
    for (const LedgerDocument *document : chosen) {
        LedgerRecord record = recordOf(*document, choices, ledger);
        record.runningNumber = int(ledger.records.size()) + 1;
        if (record.converted)
            ++ledger.convertedCount;
        for (int i = 0; i < LedgerCellCount; ++i)
            ledger.sums[i] = ledger.sums[i] + record.cells[i];
        ledger.records.append(record);
    }
    return ledger;
}

QString filerProblem(const LedgerCompany &company)
{
    const QString id = company.filerId.simplified();
    if (company.person.simplified().isEmpty())
        return QStringLiteral("Фирмата „%1“ няма МОЛ: справка-декларацията посочва името на лицето, което я подава.")
            .arg(company.name);
    if (!Identifiers::isEgn(id) && !Identifiers::isLnch(id))
        return QStringLiteral("Справка-декларацията посочва ЕГН на лицето, което я подава: „%1“ не е валидно ЕГН или ЛНЧ.")
            .arg(id);
    return {};
}

LedgerChecks checkLedger(const SalesLedger &ledger, QDate today)
{
    LedgerChecks checks;
    if (vatNumberWithPrefix(ledger.company.vatNumber).isEmpty())
        checks.blocking.append(QStringLiteral("Фирмата „%1“ няма ИН по ЗДДС: попълнете го в данните на фирмата.")
                                   .arg(ledger.company.name));
    for (const LedgerIssue &issue : ledger.withoutClientId)
        checks.blocking.append(QStringLiteral("Документ № %1 от %2 е без ИН по ЗДДС и без „Идент №“ на получателя: "
                                              "попълнете ЕИК, а за физическо лице ЕГН или ЛНЧ.")
                                   .arg(issue.number, dateText(issue.date)));
    for (const LedgerIssue &issue : ledger.invalidClientId)
        checks.blocking.append(QStringLiteral("Документ № %1 от %2: %3").arg(issue.number, dateText(issue.date), issue.reason));
    for (const LedgerIssue &issue : ledger.negative)
        checks.blocking.append(QStringLiteral("Документ № %1 от %2 е фактура или дебитно известие с отрицателна сума: "
                                              "намаление се оформя с кредитно известие.")
                                   .arg(issue.number, dateText(issue.date)));
    for (const LedgerIssue &issue : ledger.art163aWithoutPart)
        checks.blocking.append(QStringLiteral("Документ № %1 от %2 е доставка по чл. 163а, а основанието не казва дали "
                                              "стоките са по част I или по част II на приложение № 2 (код в клетка 02-27).")
                                   .arg(issue.number, dateText(issue.date)));
    for (const LedgerIssue &issue : ledger.unknownRate)
        checks.blocking.append(QStringLiteral("Документ № %1 от %2 е със ставка на ДДС „%3“, за която дневникът няма клетка.")
                                   .arg(issue.number, dateText(issue.date), issue.reason));
    for (const LedgerIssue &issue : ledger.unplaceable)
        checks.blocking.append(QStringLiteral("Документ № %1 от %2 е без ДДС, а основанието „%3“ не показва клетката "
                                              "на дневника: изберете я.")
                                   .arg(issue.number, dateText(issue.date), issue.reason.simplified()));
    if (ledger.records.isEmpty())
        checks.warnings.append(QStringLiteral("За %1 няма издадени фактури и известия: дневникът е празен, "
                                              "справка-декларацията се подава с нули.")
                                   .arg(ledger.period.text()));
    if (today <= ledger.period.lastDay())
        checks.warnings.append(QStringLiteral("Месец %1 още не е приключил: документите, издадени до края му, "
                                              "също влизат в дневника.")
                                   .arg(ledger.period.text()));
    return checks;
}

QList<std::pair<QString, Amount>> returnSalesCells(const SalesLedger &ledger)
{
    static constexpr std::array<std::pair<const char *, LedgerCell>, 15> Cells = {{
        {"01-01", LedgerCell::TaxBase}, {"01-20", LedgerCell::Vat},
        {"01-11", LedgerCell::Base20}, {"01-21", LedgerCell::Vat20},
        {"01-12", LedgerCell::BaseAcquisitions}, {"01-22", LedgerCell::VatAcquisitions},
        {"01-23", LedgerCell::VatPersonalUse}, {"01-13", LedgerCell::Base9},
        {"01-24", LedgerCell::Vat9}, {"01-14", LedgerCell::ZeroChapter3},
        {"01-15", LedgerCell::ZeroIntraCommunity}, {"01-16", LedgerCell::ZeroArt140},
        {"01-17", LedgerCell::ServicesOtherState}, {"01-18", LedgerCell::DistanceSales},
        {"01-19", LedgerCell::Exempt},
    }};
    QList<std::pair<QString, Amount>> cells;
    for (const auto &[code, cell] : Cells) {
        Amount sum = at(ledger.sums, cell);
        if (cell == LedgerCell::BaseAcquisitions)
            sum = sum + at(ledger.sums, LedgerCell::BaseArt82);
        if (cell == LedgerCell::DistanceSales)
            sum = sum + at(ledger.sums, LedgerCell::Triangular);
        cells.append({QLatin1String(code), sum});
    }
    return cells;
}

QString centsText(Amount amount)
{
    const std::int64_t cents = convertedToCents(amount, Currency::Leva, Currency::Leva).units() / (Amount::Scale / 100);
    const std::int64_t magnitude = std::llabs(cents);
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString ledgerSummary(const SalesLedger &ledger)
{
    QStringList out;
    const auto cell = [&](LedgerCell c) { return centsText(at(ledger.sums, c)); };
    int invoices = 0, debit = 0, credit = 0, cancelled = 0, reversals = 0;
    for (const LedgerRecord &record : ledger.records) {
        invoices += record.type == QStringLiteral("01");
        debit += record.type == QStringLiteral("02");
        credit += record.type == QStringLiteral("03");
        cancelled += record.cancelled;
        reversals += record.reversal;
    }
    out << QStringLiteral("Дневник за продажби на %1 (%2) за %3, в %4")
               .arg(quotedName(ledger.company.name), vatNumberWithPrefix(ledger.company.vatNumber), ledger.period.text(),
                    ledger.period.currency() == Currency::Euro ? QStringLiteral("евро") : QStringLiteral("лева"));
    out << QStringLiteral("Документи: %1 (фактури %2, дебитни известия %3, кредитни известия %4; анулирани %5)")
               .arg(ledger.records.size()).arg(invoices).arg(debit).arg(credit).arg(cancelled);
    if (reversals > 0)
        out << QStringLiteral("Анулирани през месеца документи от предходни месеци, с обратен знак: %1").arg(reversals);
    out << QStringLiteral("Ставка 20 %: данъчна основа %1, ДДС %2").arg(cell(LedgerCell::Base20), cell(LedgerCell::Vat20));
    out << QStringLiteral("Ставка 9 %: данъчна основа %1, ДДС %2").arg(cell(LedgerCell::Base9), cell(LedgerCell::Vat9));
    for (LedgerCell zero : ZeroRateCells)
        out << QStringLiteral("Без ДДС, %1: %2").arg(zeroRateCellName(zero), cell(zero));
    out << QStringLiteral("Общо: данъчна основа %1, ДДС %2").arg(cell(LedgerCell::TaxBase), cell(LedgerCell::Vat));
    QStringList returnCells;
    for (const auto &[code, amount] : returnSalesCells(ledger))
        returnCells << QStringLiteral("%1: %2").arg(code, centsText(amount));
    out << QStringLiteral("Клетки на справка-декларацията за продажбите: ") + returnCells.join(QStringLiteral("; "));
    out << QStringLiteral("Превалутирани по курс 1.95583: %1").arg(ledger.convertedCount);
    const auto numbers = [](const QList<LedgerIssue> &issues) {
        QStringList list;
        for (const LedgerIssue &issue : issues)
            list << issue.number;
        return list;
    };
    const auto listed = [](const QStringList &list) {
        return list.isEmpty() ? QStringLiteral("няма") : QStringLiteral("%1 (№ %2)").arg(list.size()).arg(list.join(QStringLiteral(", ")));
    };
    out << QStringLiteral("Със знак „?“ за буква извън Windows-1251: ") + listed(ledger.replacedNumbers);
    out << QStringLiteral("Без място в дневника (изберете клетката): ") + listed(numbers(ledger.unplaceable));
    return out.join(u'\n');
}
