#pragma once

#include <QString>

struct Invoice;
struct PrintLinks;
struct PrintedPage;
enum class Recorded;

// What the print window needs of the line table, the browser and the main menu.
PrintLinks printLinks();

// Records a print of the document ("Оригинал" or "Копие") in the register
// of the start folder, with its number in the own company's record (see
// RegisterStore::recordPrint); the browser, when it shows the own
// companies, then shows the number as stored.
Recorded recordInRegister(const Invoice &invoice, const PrintedPage &page);
// Whether the register holds this very document: its number with the same content.
bool isRecorded(const Invoice &invoice);
