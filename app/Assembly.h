#pragma once

// "Към фактурата": fills the document from the line table, the own company
// and its bank, with the next number, today's date, the note block and the
// amount in words, lays the page out and shows it. A failure stops it where
// it happens; what was filled before stays.
void assembleInvoice();
