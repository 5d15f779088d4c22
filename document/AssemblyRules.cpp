#include "document/AssemblyRules.h"

#include "common/Failure.h"

#include <limits>

namespace AssemblyRules {

QString nextDocumentNumber(const QString &lastNumber)
{
    bool ok = false;
    const qlonglong last = lastNumber.trimmed().toLongLong(&ok);
    if (!ok || last < 0 || last == std::numeric_limits<qlonglong>::max())
        throw Failure(QStringLiteral("Номерът на последния документ „%1“ не е цяло число.").arg(lastNumber));
    return QStringLiteral("%1").arg(last + 1, 10, 10, QLatin1Char('0'));
}

std::optional<QString> noteAccountHeading(const QString &noteKind)
{
    if (noteKind == u"Дебитно известие")
        return QStringLiteral("Дебит с/ка");
    if (noteKind == u"Кредитно известие")
        return QStringLiteral("Кредит с/ка");
    return std::nullopt;
}

QString documentDate(const QDate &date)
{
    // The four-digit year of the Bulgarian short date, spelled out here so
    // that no locale setting can shorten it.
    return date.toString(QStringLiteral("d.M.yyyy")) + QStringLiteral(" г.");
}

QString numberLine(const QString &number, const QString &date)
{
    return QStringLiteral("№ ") + number + QStringLiteral(" / Дата: ") + date;
}

} // namespace AssemblyRules
