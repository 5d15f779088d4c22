#pragma once

#include "platform/Printers.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <memory>

// Every later print job goes to this PDF file, as a printer would print it;
// a file in a folder that does not exist makes the printer refuse the job.
inline void printJobsTo(const QString &pdfFile)
{
    setPrinterSource([pdfFile] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        printer->setOutputFileName(pdfFile);
        return printer;
    });
}
