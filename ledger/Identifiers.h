#pragma once

#include <QString>

// The identification numbers the VAT files carry for a counterparty: a VAT
// number with its country prefix, a Bulgarian ЕИК, the ЕГН or ЛНЧ of a
// person, or fifteen nines for one with none of these.
namespace Identifiers {

// Fifteen nines: a foreign person without a Bulgarian registration and
// without an EU VAT number, or a person who is no taxable person.
inline const QString NoNumber = QStringLiteral("999999999999999");

// Check digits as the registers compute them.
bool isEik(const QString &digits);  // 9 or 13 digits
bool isEgn(const QString &digits);  // 10 digits, a valid birth date
bool isLnch(const QString &digits); // 10 digits

// The two letters of an EU member state (Greece "EL", Northern Ireland "XI").
bool isMemberStatePrefix(const QString &prefix);

// A counterparty's number as the files carry it, or why it cannot be.
struct Counterparty {
    QString id;      // empty when there is none or it is invalid
    QString problem; // empty when id is usable or there is no number at all
    // The two letters of the VAT number; empty for a Bulgarian ЕИК, ЕГН, ЛНЧ.
    QString country() const;
};

// From the VAT number as typed ("ИН по ЗДДС") and the "Идент №": the VAT
// number, "BG" put before it only when it is a Bulgarian one (9 or 10
// digits); else the "Идент №" as an ЕИК, ЕГН or ЛНЧ.
Counterparty counterparty(const QString &vatNumber, const QString &idNumber);

} // namespace Identifiers
