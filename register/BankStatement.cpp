#include "register/BankStatement.h"

#include "common/Failure.h"
#include "register/RegisterModel.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>
#include <algorithm>

// Written with QXmlStreamReader rather than against the ISO 20022 schema:
// a statement is read for a handful of fields, and banks send both the 2009
// layout (camt.053.001.02) and the later ones, which move the status and the
// debtor's name one element down.

namespace {

const QString NotAStatement =
    QStringLiteral("Файлът не е банково извлечение във формат CAMT.053 (ISO 20022): %1");

struct Entry {
    BankCredit credit;
    QString amountText, currencyText, direction, status, entryReference, endToEnd;
    QStringList reasons, extraInfo;
};

std::optional<BankCredit> creditOf(Entry entry)
{
    if (entry.direction != u"CRDT" || (!entry.status.isEmpty() && entry.status != u"BOOK"))
        return std::nullopt;
    if (entry.currencyText == u"EUR")
        entry.credit.currency = Currency::Euro;
    else if (entry.currencyText == u"BGN")
        entry.credit.currency = Currency::Leva;
    else
        return std::nullopt;
    const std::optional<Amount> amount = Amount::parse(entry.amountText);
    if (!amount || *amount <= Amount())
        throw Failure(NotAStatement.arg(QStringLiteral("сумата „%1“ не е число").arg(entry.amountText)));
    entry.credit.amount = *amount;
    entry.credit.reason = (entry.reasons.isEmpty() ? entry.extraInfo : entry.reasons).join(u' ').simplified();
    if (entry.credit.reference.isEmpty())
        entry.credit.reference = !entry.entryReference.isEmpty() ? entry.entryReference : entry.endToEnd;
    return entry.credit;
}

// What an element's text means inside an entry, by the names of the
// elements that lead to it from the entry.
void take(Entry &entry, const QStringList &path, const QString &text)
{
    if (text.isEmpty())
        return;
    const QString &name = path.last();
    const QString parent = path.value(path.size() - 2);
    if (path.size() == 1 && name == u"Amt")
        entry.amountText = text;
    else if (path.size() == 1 && name == u"CdtDbtInd")
        entry.direction = text;
    else if (path.first() == u"Sts" && path.size() <= 2)
        entry.status = text;
    else if (path.first() == u"BookgDt" && (name == u"Dt" || name == u"DtTm"))
        entry.credit.booked = QDate::fromString(text.left(10), Qt::ISODate);
    else if (path.size() == 1 && name == u"AcctSvcrRef")
        entry.credit.reference = text;
    else if (path.size() == 1 && name == u"NtryRef")
        entry.entryReference = text;
    else if (name == u"EndToEndId" && text != u"NOTPROVIDED")
        entry.endToEnd = text;
    else if (name == u"Nm" && path.contains(QStringLiteral("Dbtr")) && entry.credit.payer.isEmpty())
        entry.credit.payer = text;
    else if (name == u"Ustrd" && parent == u"RmtInf")
        entry.reasons << text;
    else if (path.size() == 1 && name == u"AddtlNtryInf")
        entry.extraInfo << text;
}

} // namespace

QList<BankCredit> readCamt053(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    QList<BankCredit> credits;
    bool statement = false;
    std::optional<Entry> entry;
    QStringList path;  // inside the entry
    QString text;      // of the element open last
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (reader.isStartElement()) {
            const QString name = reader.name().toString();
            text.clear();
            if (!statement && name == u"BkToCstmrStmt")
                statement = reader.namespaceUri().contains(u"camt.053");
            if (entry) {
                path << name;
                if (name == u"Amt" && path.size() == 1)
                    entry->currencyText = reader.attributes().value(QStringLiteral("Ccy")).toString();
            } else if (statement && name == u"Ntry") {
                entry.emplace();
            }
        } else if (reader.isCharacters()) {
            text += reader.text();
        } else if (reader.isEndElement() && entry) {
            if (path.isEmpty()) {
                if (const std::optional<BankCredit> credit = creditOf(*entry))
                    credits << *credit;
                entry.reset();
            } else {
                take(*entry, path, text.trimmed());
                text.clear();
                path.removeLast();
            }
        }
    }
    if (reader.hasError())
        throw Failure(NotAStatement.arg(reader.errorString()));
    if (!statement)
        throw Failure(NotAStatement.arg(QStringLiteral("в него няма извлечение (BkToCstmrStmt)")));
    return credits;
}

QList<CreditMatch> matchCredits(const QList<BankCredit> &credits, const QList<RegisterRow> &owing)
{
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    const auto bare = [](const QString &number) {
        QString text = number;
        while (text.size() > 1 && text.startsWith(u'0'))
            text.remove(0, 1);
        return text;
    };
    QList<CreditMatch> matches;
    for (const BankCredit &credit : credits) {
        QList<const RegisterRow *> named;
        for (auto run = digits.globalMatch(credit.reason); run.hasNext();) {
            const QString number = bare(run.next().captured());
            for (const RegisterRow &row : owing) {
                if (row.currency == credit.currency && bare(row.number) == number && !named.contains(&row))
                    named << &row;
            }
        }
        if (named.isEmpty())
            continue;
        const auto exact = std::find_if(named.begin(), named.end(),
                                        [&](const RegisterRow *row) { return row->balance.owed == credit.amount; });
        matches << CreditMatch{credit, **(exact != named.end() ? exact : named.begin())};
    }
    return matches;
}

QString bankPaymentNote(const BankCredit &credit)
{
    QString note = QStringLiteral("Извлечение %1").arg(credit.reference);
    if (!credit.payer.isEmpty())
        note += QStringLiteral(", %1").arg(credit.payer);
    return note.left(200);
}

QString creditMatchText(const CreditMatch &match)
{
    const BankCredit &credit = match.credit;
    const RegisterRow &row = match.document;
    return QStringLiteral("%1  %2 %3 от %4 („%5“) → %6 № %7, %8, остава %9 %3")
        .arg(credit.booked.toString(QStringLiteral("dd.MM.yyyy")), RegisterModel::amountText(credit.amount),
             selectorText(credit.currency), credit.payer.isEmpty() ? QStringLiteral("—") : credit.payer, credit.reason,
             row.kind, row.number, row.client, RegisterModel::amountText(row.balance.owed));
}

QList<BankCredit> readCamt053File(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Банковото извлечение „%1“ не може да бъде прочетено: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    return readCamt053(file.readAll());
}

QList<CreditMatch> creditsToRecord(const RegisterStore &store, const QList<BankCredit> &credits, const QDate &today)
{
    const QList<RegisterRow> owing = store.rows(store.find({{}, {}, {}, PaymentFilter::Unpaid, today}));
    QList<CreditMatch> fresh;
    for (const CreditMatch &match : matchCredits(credits, owing)) {
        const QString note = bankPaymentNote(match.credit);
        const QList<Payment> recorded = store.payments(match.document.id);
        const bool known = std::any_of(recorded.begin(), recorded.end(), [&](const Payment &payment) {
            return payment.note == note && payment.date == match.credit.booked && payment.amount == match.credit.amount;
        });
        if (!known)
            fresh << match;
    }
    return fresh;
}

Payment bankPayment(const CreditMatch &match)
{
    return paymentOf(match.document.id, match.credit.booked, match.credit.amount, match.credit.currency,
                     match.document.currency, PaymentWay::Bank, bankPaymentNote(match.credit));
}
