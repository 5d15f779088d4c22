#include "platform/Printers.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#ifdef BILVARO_CUPS
#include "common/LibraryOnDemand.h"

#include <cups/cups.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

std::unique_ptr<QPrinter> systemDefaultPrinter()
{
    // A printer made without a default printer still claims to be valid;
    // asking the print system first is the check that holds.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // Page size, orientation and margins go in as one layout: an orientation
    // set on its own is lost on CUPS.
    QPageLayout layout = printer->pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    printer->setPageLayout(layout);
    return printer;
}

PrinterSource current;

#ifdef BILVARO_CUPS
// Loaded at the first print job, whose printing has loaded it already
// (Qt's CUPS support); a start does not.
#define BILVARO_CUPS_FUNCTIONS(F) F(cupsLastError) F(cupsLastErrorString)
struct Cups {
    BILVARO_CUPS_FUNCTIONS(BILVARO_FUNCTION_POINTER)
};

const Cups &cups()
{
    static const Cups loaded = BILVARO_LOAD_ALL(Cups, BILVARO_CUPS_FUNCTIONS, "libcups", 2, "печата");
    return loaded;
}
#endif

} // namespace

std::unique_ptr<QPrinter> defaultPrinter() { return current ? current() : systemDefaultPrinter(); }

void setPrinterSource(PrinterSource source) { current = std::move(source); }

QString printJobRefusal(const QPrinter &printer)
{
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.outputFileName().isEmpty())
        return QString();
#ifdef BILVARO_CUPS
    // Qt's CUPS support hands the job over with cupsPrintFile() and drops its
    // answer; CUPS keeps the answer to the last request of this thread.
    if (cups().cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return QString::fromUtf8(cups().cupsLastErrorString());
    return QString();
#elif defined(Q_OS_WIN)
    // Qt's Windows printing reports a refused job by the state of the
    // printer; the reason is the system's last error.
    if (printer.printerState() != QPrinter::Error)
        return QString();
    const DWORD error = GetLastError();
    if (error == 0)
        return QString();
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (!text)
        return QString();
    const QString reason = QString::fromWCharArray(text).trimmed();
    LocalFree(text);
    return reason;
#else
    return QString();
#endif
}
