#pragma once

// "Към фактурата": fills the document from the line table, the own company
// and its bank, with the next number, today's date, the note block and the
// amount in words, lays the page out and shows it. A failure stops it where
// it happens; what was filled before stays.
void assembleInvoice();

// Whether the line table differs from what the last assembly copied onto the
// page (lines added, changed or removed since).
bool linesChangedSinceAssembly();

// Assembles again and puts back what the user has typed into the page's
// fill-in fields (and the number) since the last assembly.
void assembleKeepingTypedFields();
