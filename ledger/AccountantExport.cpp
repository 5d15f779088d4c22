#include "ledger/AccountantExport.h"

#include "ledger/SalesLedger.h"

#include <QStringList>

namespace {

const QStringList Header = {
    QStringLiteral("Документ"), QStringLiteral("Номер"), QStringLiteral("Дата"),
    QStringLiteral("Анулиран"), QStringLiteral("Получател"), QStringLiteral("ИН по ЗДДС"),
    QStringLiteral("ЕИК"), QStringLiteral("Валута"), QStringLiteral("Данъчна основа"),
    QStringLiteral("Ставка ДДС"), QStringLiteral("ДДС"), QStringLiteral("Сума за плащане"),
    QStringLiteral("Основание"), QStringLiteral("Ред"), QStringLiteral("Описание"),
    QStringLiteral("Мярка"), QStringLiteral("Количество"), QStringLiteral("Единична цена"),
    QStringLiteral("Стойност"),
};
constexpr int DocumentColumns = 13;

QString kindText(const Invoice &invoice)
{
    if (invoice.kind == DocumentKind::Proforma)
        return QStringLiteral("Проформа фактура");
    return invoice.note.kind == NoteKind::None ? QStringLiteral("Фактура") : noteKindText(invoice.note.kind);
}

QString field(const QString &text)
{
    // One value per cell: the page's line breaks become blanks.
    QString value = text.simplified();
    if (value.contains(u';') || value.contains(u'"'))
        value = u'"' + value.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return value;
}

QString decimalComma(QString text) { return text.replace(u'.', u','); }

void appendRow(QByteArray &csv, const QStringList &cells)
{
    QStringList fields;
    for (const QString &cell : cells)
        fields << field(cell);
    csv += fields.join(u';').toUtf8() + "\r\n";
}

} // namespace

QByteArray accountantCsv(const QList<LedgerDocument> &documents, bool withLines)
{
    QByteArray csv("\xEF\xBB\xBF");
    appendRow(csv, withLines ? Header : Header.mid(0, DocumentColumns));
    for (const LedgerDocument &document : documents) {
        const Invoice &invoice = document.invoice;
        const bool credit = invoice.kind != DocumentKind::Proforma && invoice.note.kind == NoteKind::Credit;
        const auto money = [credit](Amount amount, bool cents) {
            const Amount magnitude = amount.units() < 0 ? Amount() - amount : amount;
            const Amount value = credit ? Amount() - magnitude : amount;
            return decimalComma(cents ? centsText(value) : value.text());
        };
        const QStringList common = {kindText(invoice), invoice.number,
                                    document.issued.toString(QStringLiteral("dd.MM.yyyy")),
                                    document.cancelled ? QStringLiteral("да") : QStringLiteral("не"),
                                    invoice.client.name, invoice.client.vatNumber, invoice.client.eik,
                                    selectorText(invoice.currency)};
        appendRow(csv, common + QStringList{money(invoice.totals.taxBase, true), invoice.totals.rate,
                                            money(invoice.totals.vat, true), money(invoice.totals.total, true),
                                            isEmptyVatBasis(invoice.texts.vatBasis) ? QString() : invoice.texts.vatBasis}
                           + QStringList(withLines ? Header.size() - DocumentColumns : 0));
        if (!withLines)
            continue;
        for (const InvoiceLine &line : invoice.lines)
            appendRow(csv, common + QStringList(DocumentColumns - common.size())
                               + QStringList{QString::number(line.number), line.description, line.unit,
                                             decimalComma(line.quantity.text()), decimalComma(line.price.text()),
                                             money(line.value, true)});
    }
    return csv;
}
