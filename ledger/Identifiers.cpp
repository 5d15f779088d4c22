#include "ledger/Identifiers.h"

#include <QDate>
#include <QRegularExpression>

#include <array>

namespace Identifiers {

namespace {

bool allDigits(const QString &text, qsizetype size)
{
    return text.size() == size && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
}

int digit(const QString &text, qsizetype i) { return text[i].unicode() - '0'; }

// Σ digit × weight from `first`, as the registers' check digits start.
template <std::size_t N>
int weighted(const QString &digits, qsizetype first, const std::array<int, N> &weights)
{
    int sum = 0;
    for (std::size_t i = 0; i < N; ++i)
        sum += digit(digits, first + qsizetype(i)) * weights[i];
    return sum;
}

// ЕИК check digits: a remainder of 10 is taken again with the second
// weights, and a second 10 counts as 0.
template <std::size_t N>
int eikCheck(const QString &digits, qsizetype first, const std::array<int, N> &weights, const std::array<int, N> &again)
{
    int remainder = weighted(digits, first, weights) % 11;
    if (remainder == 10)
        remainder = weighted(digits, first, again) % 11;
    return remainder == 10 ? 0 : remainder;
}

QString compact(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("[\\s.\\-/]")));
    return text.toUpper();
}

} // namespace

bool isEik(const QString &digits)
{
    if (!allDigits(digits, 9) && !allDigits(digits, 13))
        return false;
    if (eikCheck<8>(digits, 0, {1, 2, 3, 4, 5, 6, 7, 8}, {3, 4, 5, 6, 7, 8, 9, 10}) != digit(digits, 8))
        return false;
    return digits.size() == 9 || eikCheck<4>(digits, 8, {2, 7, 3, 5}, {4, 9, 5, 7}) == digit(digits, 12);
}

bool isEgn(const QString &digits)
{
    if (!allDigits(digits, 10))
        return false;
    int year = digit(digits, 0) * 10 + digit(digits, 1);
    int month = digit(digits, 2) * 10 + digit(digits, 3);
    const int day = digit(digits, 4) * 10 + digit(digits, 5);
    // The month carries the century: +20 for the 1800s, +40 for the 2000s.
    if (month > 40) {
        month -= 40;
        year += 2000;
    } else if (month > 20) {
        month -= 20;
        year += 1800;
    } else {
        year += 1900;
    }
    if (!QDate(year, month, day).isValid())
        return false;
    const int check = weighted<9>(digits, 0, {2, 4, 8, 5, 10, 9, 7, 3, 6}) % 11;
    return (check == 10 ? 0 : check) == digit(digits, 9);
}

bool isLnch(const QString &digits)
{
    return allDigits(digits, 10)
        && weighted<9>(digits, 0, {21, 19, 17, 13, 11, 9, 7, 3, 1}) % 10 == digit(digits, 9);
}

bool isMemberStatePrefix(const QString &prefix)
{
    static const QStringList states = {
        QStringLiteral("AT"), QStringLiteral("BE"), QStringLiteral("BG"), QStringLiteral("CY"), QStringLiteral("CZ"),
        QStringLiteral("DE"), QStringLiteral("DK"), QStringLiteral("EE"), QStringLiteral("EL"), QStringLiteral("ES"),
        QStringLiteral("FI"), QStringLiteral("FR"), QStringLiteral("HR"), QStringLiteral("HU"), QStringLiteral("IE"),
        QStringLiteral("IT"), QStringLiteral("LT"), QStringLiteral("LU"), QStringLiteral("LV"), QStringLiteral("MT"),
        QStringLiteral("NL"), QStringLiteral("PL"), QStringLiteral("PT"), QStringLiteral("RO"), QStringLiteral("SE"),
        QStringLiteral("SI"), QStringLiteral("SK"), QStringLiteral("XI")};
    return states.contains(prefix);
}

QString Counterparty::country() const
{
    return id.size() > 2 && id[0].isLetter() && id[1].isLetter() ? id.left(2) : QString();
}

Counterparty counterparty(const QString &vatNumber, const QString &idNumber)
{
    const QString vat = compact(vatNumber);
    if (vat == NoNumber)
        return {NoNumber, {}};
    if (!vat.isEmpty()) {
        // A VAT number: two letters and 2 to 13 letters or digits. Only a
        // Bulgarian one is typed without its prefix, as the page's caption
        // "ИН по ЗДДС BG" invites.
        static const QRegularExpression foreign(QStringLiteral("^[A-Z]{2}[0-9A-Z+*]{2,13}$"));
        if (allDigits(vat, 9) || allDigits(vat, 10))
            return {QStringLiteral("BG") + vat, {}};
        if (vat.startsWith(QStringLiteral("BG")) ? (allDigits(vat.mid(2), 9) || allDigits(vat.mid(2), 10))
                                                  : foreign.match(vat).hasMatch())
            return {vat, {}};
        return {{}, QStringLiteral("ИН по ЗДДС „%1“ не е валиден: чуждестранният номер се пише с кода на държавата, "
                                   "българският – с 9 или 10 цифри.")
                        .arg(vatNumber.simplified())};
    }
    const QString id = compact(idNumber);
    if (id.isEmpty())
        return {};
    if (id == NoNumber || isEik(id) || isEgn(id) || isLnch(id))
        return {id, {}};
    return {{}, QStringLiteral("„Идент №“ „%1“ не е валиден ЕИК, ЕГН или ЛНЧ.").arg(idNumber.simplified())};
}

} // namespace Identifiers
