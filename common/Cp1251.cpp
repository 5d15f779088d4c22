#include "common/Cp1251.h"

#include <algorithm>
#include <array>

namespace {

// The characters of the bytes 0x80 to 0xBF; 0x98 has no character in the
// code page and stands for U+0098, as Windows and ICU both read it.
constexpr std::array<char16_t, 64> Upper = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// 0xC0 to 0xFF are А to я in order.
constexpr char16_t CyrillicA = 0x0410;

int codeOf(char16_t c)
{
    if (c < 0x80)
        return c;
    if (c >= CyrillicA && c < CyrillicA + 64)
        return 0xC0 + (c - CyrillicA);
    const auto found = std::find(Upper.begin(), Upper.end(), c);
    return found == Upper.end() ? -1 : int(0x80 + (found - Upper.begin()));
}

} // namespace

namespace Cp1251 {

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80)
            text[i] = QChar(byte);
        else if (byte < 0xC0)
            text[i] = QChar(Upper[byte - 0x80]);
        else
            text[i] = QChar(char16_t(CyrillicA + (byte - 0xC0)));
    }
    return text;
}

QByteArray encode(QStringView text, char replacement)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A character outside the basic plane is one character, in two halves.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const int code = codeOf(c.unicode());
        bytes += code < 0 ? replacement : static_cast<char>(code);
    }
    return bytes;
}

bool encodable(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return codeOf(c.unicode()) >= 0; });
}

} // namespace Cp1251
