#include "einvoice/VatCategory.h"

#include "common/Amount.h"

#include <QRegularExpression>

namespace VatCategories {

QString code(VatCategory category)
{
    switch (category) {
    case VatCategory::Standard:
        return QStringLiteral("S");
    case VatCategory::ZeroRated:
        return QStringLiteral("Z");
    case VatCategory::Exempt:
        return QStringLiteral("E");
    case VatCategory::ReverseCharge:
        return QStringLiteral("AE");
    case VatCategory::IntraCommunity:
        return QStringLiteral("K");
    case VatCategory::Export:
        return QStringLiteral("G");
    case VatCategory::OutsideScope:
        break;
    }
    return QStringLiteral("O");
}

QString name(VatCategory category)
{
    switch (category) {
    case VatCategory::Standard:
        return QStringLiteral("облагаема доставка");
    case VatCategory::ZeroRated:
        return QStringLiteral("доставка с нулева ставка");
    case VatCategory::Exempt:
        return QStringLiteral("освободена доставка");
    case VatCategory::ReverseCharge:
        return QStringLiteral("обратно начисляване");
    case VatCategory::IntraCommunity:
        return QStringLiteral("вътреобщностна доставка");
    case VatCategory::Export:
        return QStringLiteral("износ");
    case VatCategory::OutsideScope:
        break;
    }
    return QStringLiteral("доставка извън обхвата на ДДС");
}

QString exemptionCode(VatCategory category)
{
    switch (category) {
    case VatCategory::ReverseCharge:
        return QStringLiteral("VATEX-EU-AE");
    case VatCategory::IntraCommunity:
        return QStringLiteral("VATEX-EU-IC");
    case VatCategory::Export:
        return QStringLiteral("VATEX-EU-G");
    case VatCategory::OutsideScope:
        return QStringLiteral("VATEX-EU-O");
    default:
        return QString();
    }
}

std::optional<int> percentOf(QString rate)
{
    rate.remove(u'%');
    const auto read = Amount::parse(rate);
    if (!read || *read < Amount())
        return std::nullopt;
    const std::int64_t units = read->units();
    if (units % Amount::Scale == 0)
        return int(units / Amount::Scale);
    // The fraction the totals count with: "0.20".
    if (units < Amount::Scale && units % (Amount::Scale / 100) == 0)
        return int(units / (Amount::Scale / 100));
    return std::nullopt;
}

bool isEmptyBasis(const QString &basis)
{
    static const QRegularExpression placeholder(QStringLiteral("^[\\s.…_]*$"));
    return placeholder.match(basis).hasMatch();
}

std::optional<VatCategory> ofBasis(const QString &basis)
{
    // The directive's "чл. 28с(Е)(3)" is the intermediary of a triangular
    // operation, whose customer owes the tax: not art. 28 of the VAT Act.
    if (basis.contains(QStringLiteral("77/388"))
        || basis.contains(QStringLiteral("тристранн"), Qt::CaseInsensitive))
        return VatCategory::ReverseCharge;
    static const QRegularExpression article(
        QStringLiteral("чл\\.?\\s*(\\d+)\\s*([а-я])?(?:\\s*,?\\s*ал\\.?\\s*(\\d+))?"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = article.match(basis);
    if (!match.hasMatch())
        return std::nullopt;
    const int number = match.captured(1).toInt();
    const QString letter = match.captured(2).toLower();
    const int paragraph = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    // The regulation's article on tour operators: their margin scheme is exempt in EN 16931's terms.
    if (basis.contains(QStringLiteral("ППЗДДС")))
        return number == 86 ? std::optional(VatCategory::Exempt) : std::nullopt;
    if (!letter.isEmpty() && !(number == 163 && letter == u"а"))
        return std::nullopt;
    if ((number == 21 && paragraph == 2) || (number >= 22 && number <= 24) || number == 82 || number == 163)
        return VatCategory::ReverseCharge;
    if (number == 28)
        return VatCategory::Export;
    if ((number >= 29 && number <= 37) || number == 140 || (number == 146 && paragraph <= 1) || number == 173)
        return VatCategory::ZeroRated;
    if (number >= 38 && number <= 50)
        return VatCategory::Exempt;
    if (number == 53)
        return VatCategory::IntraCommunity;
    if (number == 113 && paragraph == 9)
        return VatCategory::OutsideScope;
    return std::nullopt;
}

}  // namespace VatCategories
