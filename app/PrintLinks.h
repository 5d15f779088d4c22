#pragma once

#include <QString>

struct Invoice;
struct PrintLinks;
enum class Recorded;

// What the print window needs of the line table, the browser and the main menu.
PrintLinks printLinks();

// Records a print of the document ("Оригинал" or "Копие") in the register
// of the start folder, with its number in the own company's record (see
// RegisterStore::recordPrint); the browser, when it shows the own
// companies, then shows the number as stored.
Recorded recordInRegister(const Invoice &invoice, const QString &mode, const QString &archiveImage,
                          const QString &pdfCopy);
