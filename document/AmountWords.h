#pragma once

#include "common/Currency.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The amount in words on the "Словом:" line of the invoice.
//
// The six Add* steps spell a whole number of 1 to 6 digits in Bulgarian the
// way the printed invoice has always shown it, irregular forms included: a
// whole hundred or whole thousands leave a trailing blank ("сто ", "хиляда "),
// six digits with a whole-hundred thousands group get two blanks
// ("сто  хиляди "), and the thousands group of five or six digits uses the
// masculine "един"/"два" ("двадесет и един хиляди "). Keep these forms: they
// are what the invoices print.
//
// Each step appends to `words` and reads digits of `D` counted from its right
// end (units, tens, hundreds, ...), so a longer string can be handed to a
// shorter step to spell its last digits. The only thing any step looks at in
// the existing text is whether it is empty (AddTens: "и " before 10..19).
//
// The steps are meant for decimal digits without sign or leading zero, at
// least as long as the step's digit count. Anything else is still safe and
// never reads outside the string or a word table:
//   - a position past the left end of D, and any character that is not an
//     ASCII digit, reads as the digit 0;
//   - a word table looked up with 0 (or anything outside 1..10) gives the
//     empty text, so a zero digit where a word is taken contributes nothing.
// spellWholeNumber() checks its input and is what callers should use.

// A table of number words, entries 1 to 10 (entry d is the word for d).
class NumberWords {
public:
    constexpr explicit NumberWords(std::array<QStringView, 10> words) : m_words(words) {}
    // Entries 1 to 10; any other index gives the empty text.
    constexpr QStringView operator[](int d) const
    {
        return d >= 1 && d <= 10 ? m_words[std::size_t(d - 1)] : QStringView();
    }

private:
    std::array<QStringView, 10> m_words;
};

// "едно", "две", "три" ... "десет": the digit before "ста"/"стотин", the
// thousands digit of four digits, and the word for ten.
extern const NumberWords NumWordsNeuter;
// "един", "два", "три" ... : units, tens and teens (entry 10 is never used).
extern const NumberWords NumWordsMasculine;

void AddOnes(const QString &D, QString &words);                // 1 .. 9
void AddTens(const QString &D, QString &words);                // 10 .. 99
void AddHundreds(const QString &D, QString &words);            // 100 .. 999
void AddThousands(const QString &D, QString &words);           // 1 000 .. 9 999
void AddTensOfThousands(const QString &D, QString &words);     // 10 000 .. 99 999
void AddHundredsOfThousands(const QString &D, QString &words); // 100 000 .. 999 999

// The words for a whole number of 1 to 6 ASCII digits without a leading zero,
// by the step for that digit count. Any other text (empty, "0", a leading
// zero, 7 or more digits, a sign or any other character) gives the empty text.
QString spellWholeNumber(const QString &digits);

// The caption of the words label for the invoice total `total` ("1234.05"):
// the words of the whole part, " лев" when the whole part is exactly 1 and
// " лева" otherwise, then " и " + hundredths + " ст." unless the hundredths
// are "00". "1234.05" -> "хиляда двеста тридесет и четири лева и 05 ст.";
// a whole part of 7 or more digits gets no words ("1234567.00" -> " лева").
//
// - A negative total (a credit note) is spelt without its sign: "-26.08" as
//   "26.08".
// - A total that begins with "0" (below 1, also "0" before the first line)
//   returns nullopt: the label keeps what it showed.
// - A total of digits without "." or with only one decimal ("1", "2.4": the
//   two-decimal rewrite can leave these) counts as if completed with zeros
//   ("1.00", "2.40"), so the hundredths are never misread.
// - Any other form (empty, a plus sign, blanks, a second ".", a non-digit, more
//   than two decimals) returns the empty text: the label is cleared rather
//   than keep the words of an earlier total.
std::optional<QString> amountInWordsLine(const QString &total);

// The caption of the words label in the given currency. Leva as above. In
// euro every amount is spelt, below 1 and above 999 999 too, with the words of
// euroInWords(): "120.00" -> "сто и двадесет евро", "0.45" -> "нула евро и
// четиридесет и пет цента". A negative total is spelt without its sign; a
// total of any other form than digits with at most two decimals gives the
// empty text, as for leva; a missing spelling module throws a Failure.
std::optional<QString> amountInWordsLine(const QString &total, Currency currency);

// The words label breaks its caption at the middle character (see
// breakAtMiddle) when the caption is wider than this many pixels in the
// label's font.
inline constexpr int WordsLineMaxWidth = 308;
