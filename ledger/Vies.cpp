#include "ledger/Vies.h"

#include "ledger/Identifiers.h"

namespace {

Amount cellOf(const LedgerCells &cells, LedgerCell cell) { return cells[std::size_t(cell)]; }

} // namespace

Amount ViesDeclaration::goods() const
{
    Amount sum;
    for (const ViesLine &line : lines)
        sum = sum + line.goods;
    return sum;
}

Amount ViesDeclaration::total() const
{
    Amount sum;
    for (const ViesLine &line : lines)
        sum = sum + line.goods + line.triangular + line.services;
    return sum;
}

bool needsVies(const SalesLedger &ledger)
{
    for (LedgerCell cell : {LedgerCell::ZeroIntraCommunity, LedgerCell::Triangular, LedgerCell::ServicesOtherState}) {
        if (cellOf(ledger.sums, cell) != Amount())
            return true;
    }
    return false;
}

ViesDeclaration viesOf(const SalesLedger &ledger)
{
    ViesDeclaration declaration;
    declaration.company = ledger.company;
    declaration.period = ledger.period;
    for (const LedgerRecord &record : ledger.records) {
        const Amount goods = cellOf(record.cells, LedgerCell::ZeroIntraCommunity);
        const Amount triangular = cellOf(record.cells, LedgerCell::Triangular);
        const Amount services = cellOf(record.cells, LedgerCell::ServicesOtherState);
        if (goods == Amount() && triangular == Amount() && services == Amount())
            continue;
        const QString country = record.clientId.left(2);
        if (!Identifiers::isMemberStatePrefix(country) || country == QStringLiteral("BG")) {
            declaration.problems << QStringLiteral("Документ № %1 от %2 е вътреобщностна доставка или услуга в друга "
                                                   "държава членка, а ИН „%3“ на получателя не е на друга държава "
                                                   "членка: VIES-декларацията го изисква.")
                                        .arg(record.number, record.date.toString(QStringLiteral("dd.MM.yyyy")),
                                             record.clientId);
            continue;
        }
        auto line = std::find_if(declaration.lines.begin(), declaration.lines.end(),
                                 [&record](const ViesLine &l) { return l.vatNumber == record.clientId; });
        if (line == declaration.lines.end())
            line = declaration.lines.insert(declaration.lines.end(), ViesLine{record.clientId, {}, {}, {}});
        line->goods = line->goods + goods;
        line->triangular = line->triangular + triangular;
        line->services = line->services + services;
    }
    return declaration;
}
