#include "register/IssuedRules.h"

#include "reference/FilterExpression.h"
#include "reference/Schema.h"
#include "reference/TableStore.h"

#include <QRegularExpression>
#include <QSysInfo>

namespace IssuedRules {

QString companyKey(const InvoiceSupplier &supplier)
{
    return ::companyKey(supplier);
}

QString seriesText(NumberSeries series)
{
    return series == NumberSeries::Proforma ? QStringLiteral("Проформа") : QStringLiteral("Фактура");
}

QString kindText(DocumentKind kind)
{
    return kind == DocumentKind::Proforma ? QStringLiteral("Проформа") : QStringLiteral("Фактура");
}

QString noteText(NoteKind kind) { return noteKindText(kind); }

DocumentKind kindFromText(const QString &text)
{
    return text == kindText(DocumentKind::Proforma) ? DocumentKind::Proforma : DocumentKind::Invoice;
}

NoteKind noteFromText(const QString &text)
{
    for (NoteKind kind : {NoteKind::Credit, NoteKind::Debit}) {
        if (text == noteText(kind))
            return kind;
    }
    return NoteKind::None;
}

QString shownKind(DocumentKind kind, NoteKind note)
{
    return note == NoteKind::None ? kindText(kind) : noteText(note);
}

QDate pageDate(const QString &text, const QDate &fallback)
{
    static const QRegularExpression dayFirst(QStringLiteral("(\\d{1,2})[./-](\\d{1,2})[./-](\\d{4})"));
    static const QRegularExpression yearFirst(QStringLiteral("(\\d{4})-(\\d{1,2})-(\\d{1,2})"));
    if (const auto match = yearFirst.match(text); match.hasMatch()) {
        const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        if (date.isValid())
            return date;
    }
    if (const auto match = dayFirst.match(text); match.hasMatch()) {
        const QDate date(match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
        if (date.isValid())
            return date;
    }
    return fallback;
}

QString searchText(const Invoice &invoice)
{
    return foldCase(invoice.client.name.simplified()) + u'\n' + foldCase(invoice.client.eik.simplified()) + u'\n'
        + invoice.number;
}

QString searchProbe(const QString &typed)
{
    return foldCase(typed.simplified());
}

QString timeText(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QString machineName()
{
    return QSysInfo::machineHostName();
}

QString userName()
{
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("USERNAME") : user;
}

QString clientEmail(const QString &dataFolder, const QString &name, const QString &eik)
{
    TableStore clients;
    clients.setDatabaseName(dataFolder);
    clients.setTableName(Schema::Clients::FileName);
    clients.open();
    int mailColumn = -1;
    for (int column = 0; column < clients.fieldCount() && mailColumn < 0; ++column) {
        const QString field = foldCase(clients.fieldName(column));
        if (field.contains(QLatin1String("mail")) || field.contains(QStringLiteral("поща")))
            mailColumn = column;
    }
    if (mailColumn < 0)
        return QString();
    const int eikColumn = clients.findField(Schema::Clients::IdNumber.name);
    const int nameColumn = clients.findField(Schema::Clients::Company.name);
    QString byName;
    for (int row = 0; row < clients.rowCount(); ++row) {
        if (eikColumn >= 0 && !eik.trimmed().isEmpty() && clients.rowText(row, eikColumn).trimmed() == eik.trimmed())
            return clients.rowText(row, mailColumn).trimmed();
        if (byName.isEmpty() && nameColumn >= 0 && clients.rowText(row, nameColumn).simplified() == name.simplified())
            byName = clients.rowText(row, mailColumn).trimmed();
    }
    return byName;
}

QString numberTakenMessage(const QString &number, const QString &shownKind, const QString &date,
                           const QString &client)
{
    return QStringLiteral("Номер %1 вече е издаден: %2 от %3 за „%4“. Един номер не се издава два пъти, "
                          "затова документът не е отпечатан.\n"
                          "За копие на издадения документ отворете „Издадени документи“ от менюто, "
                          "изберете го и натиснете „Отпечатай копие“. "
                          "За нов документ натиснете отново „Към фактурата“, за да получи следващия "
                          "свободен номер.")
        .arg(number, shownKind, date, client);
}

QString cancelledOriginalMessage(const QString &number, const QString &date)
{
    return QStringLiteral("Документ № %1 от %2 е анулиран и не може да бъде отпечатан като оригинал.")
        .arg(number, date);
}

QString alreadyCancelledMessage(const QString &number, const QString &cancelledAt)
{
    const QDateTime at = QDateTime::fromString(cancelledAt, Qt::ISODate);
    const QString shown = at.isValid() ? at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")) : cancelledAt;
    return QStringLiteral("Документ № %1 вече е анулиран (%2).").arg(number, shown);
}

QString noReasonMessage()
{
    return QStringLiteral("Документът не е анулиран: въведете причината за анулирането.");
}

} // namespace IssuedRules
