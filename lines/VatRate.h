#pragma once

#include <QString>

// The VAT rate as the user answers it at start-up ("20%", "18", "5.7").
namespace VatRate {

// What the start says of an answer it does not charge (%1: the answer).
inline const QString BadRateMessage = QStringLiteral(
    "Ставката на ДДС „%1“ не е число или е отрицателна. Програмата ще смята ДДС със ставка 20%.");
inline const QString RateAboveHundredMessage =
    QStringLiteral("Ставката на ДДС „%1“ е над 100%. Въведете ставка от 0 до 100.");

// Everything from the first "%" on is cut off.
QString withoutPercent(const QString &answer);

// The rate as a fraction text from its whole-number part n: n <= 9 gives
// "0.0n", 100 gives "1", any other n gives "0." + n (so 150 gives 0.150).
// Throws a Failure when the rate is not a number.
QString fractionText(const QString &rate);

// Whether the rate reads as a number above 100: the program does not charge
// such a rate, and asks for another.
bool isAboveHundred(const QString &rate);

// The fraction text read as a fixed-point number; throws a Failure when it is
// not one (a negative rate gives "0.0-5").
double factor(const QString &fraction);

} // namespace VatRate
