#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// How the reference tables compare texts when letter case does not count:
// column names, searches and filters.

// The text as compared when letter case does not count: Unicode simple case
// folding, so Cyrillic folds as well as Latin ("ИВАН" and "иван" meet).
QString foldCase(QStringView text);
// The same for a text in UTF-8, as SQLite hands it over.
QString foldCaseUtf8(QByteArrayView utf8);
// The same written to `out`, which has room for utf8.size() characters (no
// text in UTF-8 has more UTF-16 units than bytes). Returns how many it wrote,
// or -1 without a result for a text foldCaseUtf8() leaves to Qt's decoding
// and folding (malformed bytes, characters outside the common ones).
qsizetype foldCaseUtf8Into(QByteArrayView utf8, char16_t *out);

// What a search or a filter compares of a folded value or text: all of it but
// the quotation marks („ “ ” " ' « » ‘ ’ ‚) and blanks in front, so that
// „Бета Строй“ ЕООД is found under "бета", as Bulgarian firm names are written.
QStringView searchKey(QStringView folded);
