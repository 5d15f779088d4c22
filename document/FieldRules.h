#pragma once

#include "common/Amount.h"
#include "common/Currency.h"

#include <QString>
#include <functional>
#include <utility>

// Plain rules of the invoice page's fields and layout.

// A document number as the page shows it: "0" characters in front until it is
// ten characters long; a longer text stays as it is, digits or not.
QString padNumber(const QString &number);
// A date as the page shows it: a typed "7.1.2007" (with or without a " г."
// after it) gets two digits of day and month, "07.01.2007", ten characters
// like a document number; any other text stays as it was typed.
QString padDate(const QString &date);

// The note's reference to its invoice, as Label22 shows it: the date padded
// as padDate() pads it and the invoice number as padNumber() pads it; an
// empty number stays empty.
QString noteReferenceCaption(const QString &date, const QString &number);
extern const QString NoteDatePrefix;    // "от дата: "
extern const QString NoteNumberSeparator;  // ", към фактура №: "

// A two-value caption prefix + first + separator + second split into its
// values: the text after the prefix up to the first separator, and the rest.
// A caption without the separator is all first value.
std::pair<QString, QString> splitPair(const QString &caption, const QString &prefix, const QString &separator);

// The caption broken in two at its middle character: the first length/2
// characters, a line feed, the rest. An existing line feed is not special.
QString breakAtMiddle(const QString &caption);

// The left edge that centres a control of the given width on a heading;
// the halving truncates toward zero.
int centredLeft(int headingLeft, int headingWidth, int width);

// A total with the currency after a blank, unless it already names it.
QString withCurrency(const QString &total, const QString &currency);
// A total with the sign of the currency ("лв" or "€") after a blank: the sign
// of the other currency gives way, its own is never doubled.
QString withCurrency(const QString &total, Currency currency);
// The total without the sign of either currency after it.
QString withoutCurrency(const QString &total);

// An amount of the totals as they show it: two decimals, rounded on the
// third decimal as fixTwoDecimals() rounds.
QString totalCaption(Amount amount);
// The amount that caption shows.
Amount shownTotal(Amount amount);

// A price or a line value as the lines show it: every decimal it has, and at
// least two ("12.40", "12.345", "3.00"). A quantity shows as Amount::text().
QString lineAmountText(Amount amount);

// The two-line rate caption of the totals: "Данъчна ставка 20%" over "размер на данъка:".
QString vatRateHeading(const QString &rate);

// The caption broken at the middle character of a line (as breakAtMiddle) as
// often as it takes for every line to be at most `limit` wide as `width`
// measures it; each half too wide is broken again. A line of one character
// stays whole, however wide.
struct BrokenCaption {
    QString text;
    int breaks = 0;
};
BrokenCaption breakUntilFits(const QString &caption, int limit,
                             const std::function<int(const QString &)> &width);

// The page sections stacked under the client and supplier blocks: the tops
// that the note block, lines grid, rules, lower block and signatures get.
struct SectionHeights {
    int panel3Bottom;  // client block
    int panel4Bottom;  // supplier block
    int panel2Height;  // note block, counted even while hidden
    int grid2Height;   // lines grid
    int bevel1Height;
    int memo4Height;   // lower block
    int bevel3Height;
};
struct SectionTops {
    int panel2;
    int grid2;
    int bevel1;
    int memo4;
    int bevel3;
    int panel5;
};
SectionTops stackSections(const SectionHeights &heights);
