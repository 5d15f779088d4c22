#pragma once

#include "common/Currency.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The remembered settings file: the VAT rate answer and the four selector
// texts, one per line, in Windows-1251 on every platform, so that a file
// written by a Windows installation reads as it stands.
namespace SettingsFile {

// What the start says of a file with fewer than five lines (%1: how many).
inline const QString ShortSettingsMessage = QStringLiteral(
    "Файлът с настройките mem.txt съдържа само %1 от 5-те реда; липсващите настройки са "
    "попълнени със стойностите им по подразбиране.");

// The five items used when there is no file.
QStringList defaults();
// The sixth item: the line table's currency, once one has been chosen.
constexpr int CurrencyItem = 5;
// The five defaults with a currency as the sixth item: a fresh start folder
// that starts in that currency.
QStringList defaultsIn(Currency currency);

// Lines end at CR, LF or CR LF; a NUL byte ends the text; a last line
// without a line break counts, a line break at the end opens no new line.
QStringList parse(const QByteArray &bytes);
// Every item followed by CR LF. A character without a Windows-1251 code is
// written as "?"; a CR, LF or NUL inside an item as a blank, so that every
// item stays one line.
QByteArray encode(const QStringList &items);

// Reads the file; throws a Failure when it exists but cannot be read.
QStringList load(const QString &path);
// Replaces the file without ever leaving it half-written; throws a Failure
// when it cannot be written.
void save(const QString &path, const QStringList &items);

} // namespace SettingsFile
