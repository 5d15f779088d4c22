#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace AssemblyRules {

// The number after the last one used: the text read as a whole number, plus
// one, zero-padded to ten characters (a longer number stays whole). Throws a
// Failure when the text is empty or not a whole number.
QString nextDocumentNumber(const QString &lastNumber);

// The text of the amount column's neighbour in the note references heading:
// "Дебит с/ка" for a debit note, "Кредит с/ка" for a credit note, nothing for
// any other kind (the heading then keeps what it showed).
std::optional<QString> noteAccountHeading(const QString &noteKind);

// A date as the page writes it: "8.12.2026 г.", whatever the system's formats.
QString documentDate(const QDate &date);

// The number line of the page: "№ " + number + " / Дата: " + date.
QString numberLine(const QString &number, const QString &date);

} // namespace AssemblyRules
