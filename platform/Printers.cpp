#include "platform/Printers.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

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

} // namespace

std::unique_ptr<QPrinter> defaultPrinter() { return current ? current() : systemDefaultPrinter(); }

void setPrinterSource(PrinterSource source) { current = std::move(source); }
