#include "common/Amount.h"

#include "common/Failure.h"

#include <QtNumeric>

#include <limits>

namespace {

constexpr int Decimals = 4;
constexpr std::int64_t MaxWhole = std::numeric_limits<std::int64_t>::max() / Amount::Scale - 1;

} // namespace

std::optional<Amount> Amount::parse(QStringView text, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    std::int64_t whole = 0;
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    bool seenDigit = false;
    bool seenPoint = false;
    bool roundUp = false;
    for (QChar c : text) {
        if (c == u'.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        seenDigit = true;
        const int digit = c.unicode() - u'0';
        if (!seenPoint) {
            if (whole > MaxWhole / 10) {
                if (tooLarge)
                    *tooLarge = true;
                return std::nullopt;
            }
            whole = whole * 10 + digit;
        } else if (fractionDigits < Decimals) {
            fraction = fraction * 10 + digit;
            ++fractionDigits;
        } else if (fractionDigits == Decimals) {
            roundUp = digit >= 5;
            ++fractionDigits;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    for (int i = std::min(fractionDigits, Decimals); i < Decimals; ++i)
        fraction *= 10;
    std::int64_t units = 0;
    if (qMulOverflow(whole, Scale, &units) || qAddOverflow(units, fraction + (roundUp ? 1 : 0), &units)) {
        if (tooLarge)
            *tooLarge = true;
        return std::nullopt;
    }
    return Amount(negative ? -units : units);
}

Amount Amount::parseOrThrow(QStringView text)
{
    bool tooLarge = false;
    if (auto amount = parse(text, &tooLarge))
        return *amount;
    throw Failure(tooLarge ? tooLargeMessage(text.toString()) : notANumberMessage(text.toString()));
}

Amount operator+(Amount a, Amount b)
{
    std::int64_t sum = 0;
    if (qAddOverflow(a.m_units, b.m_units, &sum))
        throw Failure(tooLargeMessage(a.text() + QStringLiteral(" + ") + b.text()));
    return Amount(sum);
}

Amount operator-(Amount a, Amount b)
{
    std::int64_t difference = 0;
    if (qSubOverflow(a.m_units, b.m_units, &difference))
        throw Failure(tooLargeMessage(a.text() + QStringLiteral(" - ") + b.text()));
    return Amount(difference);
}

Amount Amount::timesFactor(std::int64_t factorUnits) const
{
    // The product is taken in 128 bits, so only a result that itself leaves
    // the range fails.
    const __int128 product = __int128(m_units) * factorUnits / Scale;
    if (product > std::numeric_limits<std::int64_t>::max() || product < std::numeric_limits<std::int64_t>::min())
        throw Failure(tooLargeMessage(text()));
    return Amount(std::int64_t(product));
}

QString Amount::text() const
{
    const std::uint64_t magnitude = m_units < 0 ? 0 - std::uint64_t(m_units) : std::uint64_t(m_units);
    QString result = QString::number(magnitude / Scale);
    if (const auto fraction = magnitude % Scale) {
        QString digits = QStringLiteral("%1").arg(fraction, Decimals, 10, QLatin1Char('0'));
        while (digits.endsWith(u'0'))
            digits.chop(1);
        result += u'.' + digits;
    }
    return m_units < 0 ? u'-' + result : result;
}

QString notANumberMessage(const QString &text)
{
    // Bulgarian offices write decimals with a comma; the program's numbers
    // take the point, and the user is told so rather than only refused.
    QString withPoint = text;
    withPoint.replace(u',', u'.');
    if (withPoint != text && Amount::parse(withPoint))
        return QStringLiteral("„%1“ не е число: десетичният знак е точка, например %2.").arg(text, withPoint.trimmed());
    return QStringLiteral("„%1“ не е число.").arg(text);
}

QString tooLargeMessage(const QString &text)
{
    return QStringLiteral("Числото „%1“ е твърде голямо.").arg(text);
}

QString fixTwoDecimals(const QString &caption)
{
    const auto point = caption.indexOf(u'.');
    if (point < 0)
        return caption + QStringLiteral(".00");
    const auto decimals = caption.size() - point - 1;
    if (decimals == 1)
        return caption + u'0';
    if (decimals <= 2)
        return caption;
    const QChar third = caption.at(point + 3);
    const QString twoDecimals = caption.left(point + 3);
    if (third < u'5' || third > u'9')
        return twoDecimals;
    // The sign comes from the text itself, so that -0.005 rounds to -0.01
    // and not up to 0.01 from a two-decimal part that reads as zero.
    const Amount cent = Amount::fromUnits(Amount::Scale / 100);
    const Amount kept = Amount::parseOrThrow(twoDecimals);
    const bool negative = caption.trimmed().startsWith(u'-');
    return (negative ? kept - cent : kept + cent).text();
}
