#include "app/PrintLinks.h"

#include "app/CurrentInvoice.h"
#include "app/Menu.h"
#include "lines/Unit1.h"
#include "print/Pr.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "platform/Paths.h"
#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "register/IssuedRules.h"
#include "register/RegisterStore.h"

Recorded recordInRegister(const Invoice &invoice, const PrintedPage &page)
{
    RegisterStore store(dataDirectory());
    const Recorded recorded =
        store.recordPrint(invoice, ArchiveFiles::of(page.image, page.imageBytes, page.pdf, page.pdfBytes),
                          page.mode == PrintRules::Copy ? PrintMode::Copy : PrintMode::Original);
    TableStore *table = Form4->Table1;
    if (table->isActive() && table->tableName() == Schema::Firm::FileName)
        table->refresh();
    return recorded;
}

bool isRecorded(const Invoice &invoice)
{
    const RegisterStore store(dataDirectory());
    const std::optional<qint64> held = store.documentId(companyKey(invoice.supplier),
                                                        numberSeries(invoice.kind), invoice.number);
    return held && store.invoice(*held) == invoice;
}

PrintLinks printLinks()
{
    PrintLinks links;
    links.documentKind = [] { return Form1->ComboBox2->currentText(); };
    links.firmRecNo = [] { return Form4->FirmRecNo; };
    links.invoice = currentInvoice;
    links.recorded = isRecorded;
    links.fileTaken = [](const QString &path, const Invoice &invoice) {
        return RegisterStore(dataDirectory()).fileTaken(path, invoice);
    };
    links.recordPrint = [](const Invoice &invoice, const PrintedPage &page) {
        return recordInRegister(invoice, page) == Recorded::CopyCounted;
    };
    links.issued = [](const Invoice &invoice) {
        AssemblyPrinted = true;
        // A proforma is an offer: its lines keep their stock only once issued
        // on an invoice or note.
        if (invoice.kind == DocumentKind::Invoice)
            Form1->pageIssued();
    };
    return links;
}
