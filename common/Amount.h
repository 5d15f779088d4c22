#pragma once

#include <QString>
#include <QStringView>
#include <compare>
#include <cstdint>
#include <optional>

// A money amount or quantity in fixed point: a whole count of ten-thousandths.
class Amount {
public:
    static constexpr std::int64_t Scale = 10000;

    constexpr Amount() = default;
    static constexpr Amount fromUnits(std::int64_t tenThousandths) { return Amount(tenThousandths); }

    // Reads a decimal text with "." as separator and an optional sign; more
    // than four decimals round half away from zero. Blanks around are allowed.
    // A number beyond the 64-bit range of ten-thousandths is not read; then
    // tooLarge, when given, is set.
    static std::optional<Amount> parse(QStringView text, bool *tooLarge = nullptr);
    // As parse(), but a text that is not a number throws a Failure.
    static Amount parseOrThrow(QStringView text);

    constexpr std::int64_t units() const { return m_units; }
    double toDouble() const { return double(m_units) / Scale; }

    // Shortest decimal text: up to four decimals, no trailing zeros, "." separator.
    QString text() const;

    // Exact, or a Failure when the result leaves the 64-bit range.
    friend Amount operator+(Amount a, Amount b);
    friend Amount operator-(Amount a, Amount b);
    // The amount times a factor given in ten-thousandths, rounded toward
    // zero to ten-thousandths; a Failure when it leaves the range.
    Amount timesFactor(std::int64_t factorUnits) const;
    friend constexpr auto operator<=>(Amount a, Amount b) = default;

private:
    constexpr explicit Amount(std::int64_t units) : m_units(units) {}
    std::int64_t m_units = 0;
};

// The message for a text that should have been a number.
QString notANumberMessage(const QString &text);
// The message for an amount too large for the program to count with.
QString tooLargeMessage(const QString &text);

// Rewrites an amount caption to exactly two decimals, rounding on the third:
// "5" -> "5.00", "2.5" -> "2.50", "2.395" -> "2.4" (a second call gives "2.40").
QString fixTwoDecimals(const QString &caption);
