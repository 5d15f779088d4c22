#include "ledger/AccountantExport.h"

#include "ledger/SalesLedger.h"

#include <QStringList>

namespace {

const QStringList Header = {
    QStringLiteral("Документ"), QStringLiteral("Номер"), QStringLiteral("Дата"),
    QStringLiteral("Анулиран"), QStringLiteral("Получател"), QStringLiteral("ИН по ЗДДС"),
    QStringLiteral("ЕИК"), QStringLiteral("Валута"), QStringLiteral("Данъчна основа"),
    QStringLiteral("Ставка ДДС"), QStringLiteral("ДДС"), QStringLiteral("Сума за плащане"),
    QStringLiteral("Основание"), QStringLiteral("Фирма"), QStringLiteral("ЕИК на фирмата"),
    QStringLiteral("Ред"), QStringLiteral("Описание"),
    QStringLiteral("Мярка"), QStringLiteral("Количество"), QStringLiteral("Единична цена"),
    QStringLiteral("Стойност"),
};
constexpr int DocumentColumns = 15;

QString kindText(const Invoice &invoice)
{
    if (invoice.kind == DocumentKind::Proforma)
        return QStringLiteral("Проформа фактура");
    return invoice.note.kind == NoteKind::None ? QStringLiteral("Фактура") : noteKindText(invoice.note.kind);
}

// A cell of the file: a text, or an amount that a spreadsheet reads as a number.
struct Cell {
    QString text;
    bool amount = false;
};

QList<Cell> texts(const QStringList &values)
{
    QList<Cell> cells;
    for (const QString &value : values)
        cells << Cell{value};
    return cells;
}

QString field(const Cell &cell)
{
    // One value per cell: the page's line breaks become blanks.
    QString value = cell.text.simplified();
    // A text that a spreadsheet would take for a formula ("=HYPERLINK(…)",
    // "+359…", "@SUM(A1)") is kept a text by a leading apostrophe.
    const bool formula = !value.isEmpty() && QStringView(u"=+-@").contains(value.front());
    const bool control = !cell.text.isEmpty() && (cell.text.front() == u'\t' || cell.text.front() == u'\r');
    if (!cell.amount && (formula || control))
        value.prepend(u'\'');
    if (value.contains(u';') || value.contains(u'"'))
        value = u'"' + value.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return value;
}

QString decimalComma(QString text) { return text.replace(u'.', u','); }

void appendRow(QByteArray &csv, const QList<Cell> &cells)
{
    QStringList fields;
    for (const Cell &cell : cells)
        fields << field(cell);
    csv += fields.join(u';').toUtf8() + "\r\n";
}

} // namespace

QByteArray accountantCsv(const QList<LedgerDocument> &documents, bool withLines)
{
    QByteArray csv("\xEF\xBB\xBF");
    appendRow(csv, texts(withLines ? Header : Header.mid(0, DocumentColumns)));
    for (const LedgerDocument &document : documents) {
        const Invoice &invoice = document.invoice;
        const bool credit = invoice.kind != DocumentKind::Proforma && invoice.note.kind == NoteKind::Credit;
        const auto money = [credit](Amount amount) {
            const Amount magnitude = amount.units() < 0 ? Amount() - amount : amount;
            const Amount value = credit ? Amount() - magnitude : amount;
            return Cell{decimalComma(centsText(value)), true};
        };
        const auto number = [](Amount amount) { return Cell{decimalComma(amount.text()), true}; };
        const QList<Cell> common = texts({kindText(invoice), invoice.number,
                                          document.issued.toString(QStringLiteral("dd.MM.yyyy")),
                                          document.cancelled ? QStringLiteral("да") : QStringLiteral("не"),
                                          invoice.client.name, invoice.client.vatNumber, invoice.client.eik,
                                          selectorText(invoice.currency)});
        const QList<Cell> company = texts({invoice.supplier.party.name, invoice.supplier.party.eik});
        const QList<Cell> lineCells(withLines ? Header.size() - DocumentColumns : 0);
        appendRow(csv, common
                           + QList<Cell>{money(invoice.totals.taxBase), Cell{invoice.totals.rate},
                                         money(invoice.totals.vat), money(invoice.totals.total),
                                         Cell{isEmptyVatBasis(invoice.texts.vatBasis) ? QString() : invoice.texts.vatBasis}}
                           + company + lineCells);
        if (!withLines)
            continue;
        for (const InvoiceLine &line : invoice.lines)
            appendRow(csv, common + QList<Cell>(DocumentColumns - common.size() - company.size()) + company
                               + QList<Cell>{Cell{QString::number(line.number), true}, Cell{line.description},
                                             Cell{line.unit}, number(line.quantity), number(line.price),
                                             money(line.value)});
    }
    return csv;
}
