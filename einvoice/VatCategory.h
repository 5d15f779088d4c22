#pragma once

#include "document/Invoice.h"

#include <QString>
#include <optional>

// The VAT category of EN 16931 (UNTDID 5305) that a document's rate and its
// basis for not charging VAT imply: a rate above zero is standard rated; at
// zero the article the basis names decides.
//   S  Standard: 20 % or 9 %
//   Z  ZeroRated: chapter three of the VAT Act other than export (чл. 29-37), чл. 140, 146, 173
//   E  Exempt: чл. 38-50, and the tour operators' scheme (чл. 86 ППЗДДС)
//   AE ReverseCharge: чл. 82, чл. 163а, services placed in another member state (чл. 21, ал. 2,
//      чл. 22-24), the intermediary of a triangular operation
//   K  IntraCommunity: чл. 53
//   G  Export: чл. 28
//   O  OutsideScope: a seller outside the VAT register (чл. 113, ал. 9)
enum class VatCategory { Standard, ZeroRated, Exempt, ReverseCharge, IntraCommunity, Export, OutsideScope };

namespace VatCategories {

// "S", "Z", "E", "AE", "K", "G", "O".
QString code(VatCategory category);
// What the category is called in a message: "износ", "вътреобщностна доставка".
QString name(VatCategory category);
// The VATEX code of the reason for not charging VAT, where the category has one.
QString exemptionCode(VatCategory category);

// The whole percent a recorded rate names ("20", "20%", "0.20"); nothing for any other text.
std::optional<int> percentOf(QString rate);
// True for a basis that names nothing: empty or the dotted placeholder of the form.
bool isEmptyBasis(const QString &basis);
// The category of a basis text at the zero rate; nothing where it names no article the program knows.
std::optional<VatCategory> ofBasis(const QString &basis);

}  // namespace VatCategories
