#pragma once

#include "common/Amount.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <optional>

namespace LineRules {

constexpr int MaxNameLine = 80;  // characters of one name line in the table
constexpr int MaxRows = 26;      // the heading row and 25 lines

// Why a line is refused, as the line table says it.
inline const QString QuantityMessage = QStringLiteral("Попълнете коректно КОЛИЧЕСТВОТО на стоката");
inline const QString PriceMessage = QStringLiteral("Попълнете коректно СТОЙНОСТТА на стоката");
inline const QString LimitMessage = QStringLiteral("Не могат да бъдат въведени повече от 25 артикула!");
inline const QString TooLargeMessage = QStringLiteral("Стойността на реда е твърде голяма: редът не е добавен.");
inline const QString SmallQuantityMessage = QStringLiteral("Не може да бъде въведено количество < 0.10");
inline const QString SmallPriceMessage = QStringLiteral("Не може да бъде въведена стойност < 0.10");

// The lines of a multi-line text as a memo counts them: CR LF, CR or LF end
// a line, and a line break at the very end opens no further line.
QStringList memoLines(const QString &text);

// Breaks every name line longer than 80 characters, or one that `fits` finds
// too wide, at the last space within its longest beginning that is both at
// most 80 characters and fits; the rest moves to the front of the next line
// (created when needed) and is wrapped again in turn. A line without a usable
// space is cut hard there, so no text is lost (a first character too wide on
// its own stays). Without `fits` only the characters count.
QStringList wrapNameLines(QStringList lines, const std::function<bool(QStringView line)> &fits = {});

// A price or quantity as the user typed it: first under the user's regional
// settings (without group separators, so "2.50" never turns into 250), then
// with "." as the decimal separator. Nothing when it is not a number or is
// beyond the range of amounts (then tooLarge, when given, is set).
std::optional<Amount> readTypedNumber(const QString &text, QLocale regional = QLocale::system(),
                                      bool *tooLarge = nullptr);

// The line value of price x quantity: the product of the two fixed-point
// numbers as doubles, as its shortest text of at most 15 significant digits.
QString lineValueText(Amount price, Amount quantity);

// The value as it goes into the table's value column: the caption read as a
// number, written shortest, completed to two decimals.
QString valueCellText(const QString &valueCaption);

} // namespace LineRules
