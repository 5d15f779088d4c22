#pragma once

#include <QString>
#include <functional>
#include <memory>

class QPrinter;

// The system's default printer, set up for portrait pages at its own
// resolution; nothing when the system has no default printer. Tests install
// a source of their own (a PDF file standing in for the printer, or none).
std::unique_ptr<QPrinter> defaultPrinter();

using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;
// Installs a printer source; an empty one restores the system's.
void setPrinterSource(PrinterSource source);

// Why the print system refused the job the printer ended last: the system's
// own text, or nothing when it took the job (or gave no reason). Called
// right after the job is ended, before anything else talks to the system.
QString printJobRefusal(const QPrinter &printer);
