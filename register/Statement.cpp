#include "register/Statement.h"

#include "common/Failure.h"
#include "register/IssuedRules.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

bool sameClient(const RegisterRow &row, const RegisterRow &chosen)
{
    if (!chosen.clientEik.trimmed().isEmpty())
        return row.clientEik.trimmed() == chosen.clientEik.trimmed();
    return row.client.simplified() == chosen.client.simplified();
}

QString money(Amount amount) { return fixTwoDecimals(amount.text()); }

} // namespace

ClientStatement clientStatement(const RegisterStore &store, qint64 document, const QDate &today)
{
    const RegisterRow chosen = store.row(document);
    const QString probe = chosen.clientEik.trimmed().isEmpty() ? chosen.client : chosen.clientEik;
    ClientStatement statement;
    statement.date = today;
    const QList<qint64> open = store.find({probe, {}, {}, PaymentFilter::Unpaid, today});
    QList<RegisterRow> rows = store.rows(open);
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const RegisterRow &row) {
                                  return row.companyKey != chosen.companyKey || !sameClient(row, chosen);
                              }),
               rows.end());
    if (rows.isEmpty())
        throw Failure(QStringLiteral("%1 няма неплатени документи: извлечение не е нужно.").arg(chosen.client));
    std::reverse(rows.begin(), rows.end());
    const Invoice latest = store.invoice(rows.last().id);
    statement.company = latest.supplier;
    statement.client = latest.client;
    statement.documents = rows;
    for (Currency currency : {Currency::Leva, Currency::Euro}) {
        Amount sum;
        for (const RegisterRow &row : std::as_const(rows)) {
            if (row.currency == currency)
                sum = sum + row.balance.owed;
        }
        if (sum != Amount())
            statement.owed.append({currency, sum});
    }
    return statement;
}

QStringList statementLines(const ClientStatement &statement)
{
    QStringList lines{QStringLiteral("ИЗВЛЕЧЕНИЕ"),
                      QStringLiteral("на неплатените документи към %1").arg(statement.date.toString(QStringLiteral("dd.MM.yyyy"))),
                      QStringLiteral("Клиент: %1%2")
                          .arg(statement.client.name,
                               statement.client.eik.trimmed().isEmpty()
                                   ? QString()
                                   : QStringLiteral(", ЕИК %1").arg(statement.client.eik.trimmed())),
                      QString()};
    for (const RegisterRow &row : statement.documents) {
        QString line = QStringLiteral("%1 № %2 от %3, сума %4 %5, платено %6, остава %7 %5, падеж %8")
                           .arg(row.kind, row.number, row.date, money(row.total), selectorText(row.currency),
                                money(row.balance.paid), money(row.balance.owed),
                                row.balance.due.toString(QStringLiteral("dd.MM.yyyy")));
        if (row.balance.overdue)
            line += QStringLiteral(", просрочен %1 %2")
                        .arg(row.balance.daysOverdue)
                        .arg(row.balance.daysOverdue == 1 ? QStringLiteral("ден") : QStringLiteral("дни"));
        lines << line;
    }
    lines << QString();
    for (const auto &[currency, owed] : statement.owed)
        lines << QStringLiteral("Общо дължимо: %1 %2").arg(money(owed), selectorText(currency));
    return lines;
}

QString statementFileName(const ClientStatement &statement)
{
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\s]+"));
    QString client = statement.client.name.simplified();
    client.replace(unsafe, QStringLiteral("_"));
    return QStringLiteral("Извлечение_%1_%2.pdf").arg(client.left(60), statement.date.toString(Qt::ISODate));
}
