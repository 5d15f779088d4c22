#include "store/CaseFolding.h"

#include <QString>

#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace {

// The folded form of a character that folds by arithmetic (Latin and basic
// Cyrillic) or has no case (signs, quotes, dashes, №); -1 for any other,
// which Qt's general folding handles.
constexpr int simpleFold(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? c + 0x20 : c;
    if (c >= 0x0410 && c <= 0x044F)  // А..Я, а..я
        return c <= 0x042F ? c + 0x20 : c;
    if (c >= 0x0450 && c <= 0x045F)  // ѐ..џ
        return c;
    if (c >= 0x0400 && c <= 0x040F)  // Ѐ..Џ
        return c + 0x50;
    if ((c >= 0x00A0 && c <= 0x00BF && c != 0x00B5) || (c >= 0x2000 && c <= 0x20CF) || c == 0x2116)
        return c;
    return -1;
}

} // namespace

QString foldCase(QStringView text)
{
    // Latin and basic Cyrillic fold by arithmetic: searching a large table
    // folds every value of a column, and Qt's general folding is several
    // times slower. Anything else goes to Qt.
    QString folded(text.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int c = simpleFold(text[i].unicode());
        if (c < 0)
            return text.toString().toCaseFolded();
        out[i] = QChar(char16_t(c));
    }
    return folded;
}

namespace {

// The number of UTF-16 units of well-formed UTF-8 text of characters of up
// to three bytes: its bytes less its continuation bytes (10xxxxxx), counted
// eight at a time.
qsizetype utf16Length(const uchar *p, const uchar *end)
{
    const qsizetype bytes = end - p;
    qsizetype continuations = 0;
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        continuations += std::popcount(word & ~(word << 1) & 0x8080808080808080ULL);
    }
    for (; p < end; ++p)
        continuations += (*p & 0xC0) == 0x80;
    return bytes - continuations;
}

// foldCase() of the characters U+0400..U+047F; 0 for those it leaves to Qt.
constexpr std::array<char16_t, 128> CyrillicFolds = [] {
    std::array<char16_t, 128> folds{};
    for (char16_t c = 0x0400; c < 0x0460; ++c)
        folds[c - 0x0400] = char16_t(simpleFold(c));
    return folds;
}();

// The folded character of the UTF-8 text that begins with the two bytes
// (the first in the high eight bits of the index), with 0x8000 added when it
// takes both bytes; 0 for anything but ASCII and the two-byte Cyrillic
// letters of CyrillicFolds. One look-up a character for a Bulgarian text.
const std::array<char16_t, 65536> &pairFolds()
{
    static const auto table = [] {
        auto folds = std::make_unique<std::array<char16_t, 65536>>();
        for (unsigned first = 0; first < 256; ++first) {
            for (unsigned second = 0; second < 256; ++second) {
                char16_t fold = 0;
                if (first < 0x80)
                    fold = char16_t(simpleFold(char16_t(first)));
                else if ((first & 0xFE) == 0xD0 && (second & 0xC0) == 0x80) {
                    const char16_t letter = CyrillicFolds[(first & 0x01) << 6 | (second & 0x3F)];
                    fold = letter == 0 ? 0 : char16_t(letter | 0x8000);
                }
                (*folds)[first << 8 | second] = fold;
            }
        }
        return folds;
    }();
    return *table;
}

} // namespace

qsizetype foldCaseUtf8Into(QByteArrayView utf8, char16_t *out)
{
    // Reading a searched column of a large table is this loop: decoding with
    // Qt and folding afterwards takes several times as long, as Qt 6.4
    // decodes every non-ASCII character on its general path. ASCII and the
    // two-byte Cyrillic letters go straight through a table; other
    // well-formed sequences of two or three bytes fold as foldCase() folds
    // them; anything else is left to Qt.
    const auto *p = reinterpret_cast<const uchar *>(utf8.data());
    const auto *end = p + utf8.size();
    char16_t *const start = out;
    const std::array<char16_t, 65536> &pairs = pairFolds();
    while (p < end) {
        // The common characters, one look-up each, in a loop of their own.
        for (const uchar *last = end - 1; p < last;) {
            const unsigned pair = pairs[unsigned(p[0]) << 8 | p[1]];
            if (pair == 0)
                break;
            *out++ = char16_t(pair & 0x7FFF);
            p += 1 + (pair >> 15);
        }
        if (p == end)
            break;
        const uchar lead = *p;
        if ((lead & 0xFE) == 0xD0 && end - p >= 2) {
            const uchar next = p[1];
            const char16_t fold = CyrillicFolds[(lead & 0x01) << 6 | (next & 0x3F)];
            if ((next & 0xC0) == 0x80 && fold != 0) {
                *out++ = fold;
                p += 2;
                continue;
            }
            return -1;
        }
        if (lead < 0x80) {
            *out++ = char16_t(unsigned(lead - u'A') < 26u ? lead + 0x20 : lead);
            ++p;
            continue;
        }
        char16_t c = 0;
        if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
            c = char16_t((lead & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF && end - p >= 3 && (p[1] & 0xC0) == 0x80
                   && (p[2] & 0xC0) == 0x80) {
            c = char16_t((lead & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
            if (c < 0x0800 || (c >= 0xD800 && c <= 0xDFFF))
                return -1;
            p += 3;
        } else {
            return -1;
        }
        const int simple = simpleFold(c);
        if (simple < 0)
            return -1;
        *out++ = char16_t(simple);
    }
    return out - start;
}

QString foldCaseUtf8(QByteArrayView utf8)
{
    const auto *bytes = reinterpret_cast<const uchar *>(utf8.data());
    QString folded(utf16Length(bytes, bytes + utf8.size()), Qt::Uninitialized);
    if (foldCaseUtf8Into(utf8, reinterpret_cast<char16_t *>(folded.data())) < 0)
        return foldCase(QString::fromUtf8(utf8));
    return folded;
}

QStringView searchKey(QStringView folded)
{
    qsizetype start = 0;
    while (start < folded.size()) {
        switch (folded[start].unicode()) {
        case u' ': case u'\t': case u'\u00A0':
        case u'"': case u'\'': case u'\u201E': case u'\u201C': case u'\u201D':
        case u'\u00AB': case u'\u00BB': case u'\u2018': case u'\u2019': case u'\u201A':
            ++start;
            continue;
        default:
            break;
        }
        break;
    }
    return folded.mid(start);
}
