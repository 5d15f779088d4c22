#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The Windows Cyrillic code page, converted by this program itself: Qt built
// without ICU (as on Windows) knows no converter for it, and the remembered
// settings file must read and write the same bytes on every platform.
namespace Cp1251 {

QString decode(QByteArrayView bytes);
// A character without a code (a pair of surrogates is one character)
// becomes `replacement`.
QByteArray encode(QStringView text, char replacement = '?');
// True when every character of the text has a code, so encode() replaces none.
bool encodable(QStringView text);

} // namespace Cp1251
