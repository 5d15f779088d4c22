#include "document/AmountWords.h"

#include "document/EuroWords.h"

// Constant-initialised: ready before any other code of the program runs.
constexpr NumberWords NumWordsNeuter({u"едно", u"две", u"три", u"четири", u"пет",
                                      u"шест", u"седем", u"осем", u"девет", u"десет"});
constexpr NumberWords NumWordsMasculine({u"един", u"два", u"три", u"четири", u"пет",
                                         u"шест", u"седем", u"осем", u"девет", u"десет"});

namespace {

// The digit `position` places from the right end of D (0 = units). A position
// past the left end, or a character that is not an ASCII digit, reads as 0.
int digitAt(const QString &D, int position)
{
    const qsizetype index = D.size() - 1 - position;
    if (index < 0)
        return 0;
    const char16_t c = D.at(index).unicode();
    return c >= u'0' && c <= u'9' ? int(c - u'0') : 0;
}

bool isAsciiDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// The end of a five- or six-digit amount, after its thousands group.
void addThousandsTail(const QString &D, QString &words)
{
    const int u = digitAt(D, 0);
    const int t = digitAt(D, 1);
    const int h = digitAt(D, 2);
    if (h > 0) {
        words += u" хиляди и ";
        AddHundreds(D, words);
    } else if (t == 0 && u == 0) {
        words += u" хиляди ";
    } else if (t > 0) {
        words += u" хиляди и ";
        // " хиляди и " already holds the "и": spell the tens as if alone.
        QString tens;
        AddTens(D, tens);
        words += tens;
    } else {
        words += u" хиляди и ";
        AddOnes(D, words);
    }
}

} // namespace

void AddOnes(const QString &D, QString &words)
{
    words += NumWordsMasculine[digitAt(D, 0)];
}

void AddTens(const QString &D, QString &words)
{
    const int u = digitAt(D, 0);
    const int t = digitAt(D, 1);
    if (t == 1) {
        if (!words.isEmpty())
            words += u"и ";
        if (u == 0) {
            words += NumWordsNeuter[10];
        } else if (u == 1) {
            words += NumWordsMasculine[1];
            words += u"адесет";
        } else {
            words += NumWordsMasculine[u];
            words += u"надесет";
        }
    } else if (t >= 2) {
        words += NumWordsMasculine[t];
        if (u == 0) {
            words += u"десет";
        } else {
            words += u"десет и ";
            words += NumWordsMasculine[u];
        }
    }
}

void AddHundreds(const QString &D, QString &words)
{
    const int u = digitAt(D, 0);
    const int t = digitAt(D, 1);
    const int h = digitAt(D, 2);
    if (h == 1) {
        words += u"сто ";
    } else if (h == 2 || h == 3) {
        words += NumWordsNeuter[h];
        words += u"ста ";
    } else if (h >= 4) {
        words += NumWordsNeuter[h];
        words += u"стотин ";
    }
    if (t == 0 && u > 0) {
        words += u"и ";
        AddOnes(D, words);
    }
    if (t > 0)
        AddTens(D, words);
}

void AddThousands(const QString &D, QString &words)
{
    const int u = digitAt(D, 0);
    const int t = digitAt(D, 1);
    const int h = digitAt(D, 2);
    const int th = digitAt(D, 3);
    if (th == 1) {
        words += u"хиляда ";
    } else {
        words += NumWordsNeuter[th];
        words += u" хиляди ";
    }
    if (h > 0 && t == 0 && u == 0) {
        words += u"и ";
        AddHundreds(D, words);
    } else if (h > 0) {
        AddHundreds(D, words);
    } else if (t > 0) {
        AddTens(D, words);
    } else if (u > 0) {
        words += u"и ";
        AddOnes(D, words);
    }
}

void AddTensOfThousands(const QString &D, QString &words)
{
    const QString group = QString::number(digitAt(D, 4)) + QString::number(digitAt(D, 3));
    AddTens(group, words);
    addThousandsTail(D, words);
}

void AddHundredsOfThousands(const QString &D, QString &words)
{
    const QString group = QString::number(digitAt(D, 5)) + QString::number(digitAt(D, 4))
                          + QString::number(digitAt(D, 3));
    AddHundreds(group, words);
    addThousandsTail(D, words);
}

QString spellWholeNumber(const QString &digits)
{
    if (!isAsciiDigits(digits) || digits.startsWith(u'0'))
        return {};
    QString words;
    switch (digits.size()) {
    case 1: AddOnes(digits, words); break;
    case 2: AddTens(digits, words); break;
    case 3: AddHundreds(digits, words); break;
    case 4: AddThousands(digits, words); break;
    case 5: AddTensOfThousands(digits, words); break;
    case 6: AddHundredsOfThousands(digits, words); break;
    default: break;
    }
    return words;
}

namespace {

// A credit note's total is negative, and its words spell the amount without the sign.
QString withoutMinus(const QString &total) { return total.startsWith(u'-') ? total.mid(1) : total; }

} // namespace

std::optional<QString> amountInWordsLine(const QString &signedTotal)
{
    const QString total = withoutMinus(signedTotal);
    if (total.startsWith(u'0'))
        return std::nullopt;

    const qsizetype point = total.indexOf(u'.');
    const QString whole = point < 0 ? total : total.left(point);
    QString hundredths = point < 0 ? QString() : total.mid(point + 1);
    if (!isAsciiDigits(whole) || hundredths.size() > 2
        || !(hundredths.isEmpty() || isAsciiDigits(hundredths)))
        return QString();
    hundredths = hundredths.leftJustified(2, u'0');

    QString line = spellWholeNumber(whole);
    line += whole == u"1" ? u" лев" : u" лева";
    if (hundredths != u"00") {
        line += u" и ";
        line += hundredths;
        line += u" ст.";
    }
    return line;
}

std::optional<QString> amountInWordsLine(const QString &signedTotal, Currency currency)
{
    if (currency == Currency::Leva)
        return amountInWordsLine(signedTotal);
    const QString total = withoutMinus(signedTotal);
    const qsizetype point = total.indexOf(u'.');
    const QString whole = point < 0 ? total : total.left(point);
    const QString hundredths = point < 0 ? QString() : total.mid(point + 1);
    if (!isAsciiDigits(whole) || hundredths.size() > 2
        || !(hundredths.isEmpty() || isAsciiDigits(hundredths)))
        return QString();
    return euroInWords(total);
}
