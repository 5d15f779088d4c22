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
#include "register/RegisterStore.h"

Recorded recordInRegister(const Invoice &invoice, const QString &mode, const QString &archiveImage,
                          const QString &pdfCopy)
{
    RegisterStore store(dataDirectory());
    const Recorded recorded = store.recordPrint(invoice, {archiveImage, pdfCopy},
                                                mode == PrintRules::Copy ? PrintMode::Copy : PrintMode::Original);
    TableStore *table = Form4->Table1;
    if (table->isActive() && table->tableName() == Schema::Firm::FileName)
        table->refresh();
    return recorded;
}

PrintLinks printLinks()
{
    PrintLinks links;
    links.documentKind = [] { return Form1->ComboBox2->currentText(); };
    links.firmRecNo = [] { return Form4->FirmRecNo; };
    links.invoice = currentInvoice;
    links.recordPrint = [](const QString &mode, const QString &archiveImage, const QString &pdfCopy) {
        recordInRegister(currentInvoice(), mode, archiveImage, pdfCopy);
    };
    links.pageOut = [] {
        AssemblyPrinted = true;
        // A proforma is an offer: its lines keep their stock only once issued
        // on an invoice or note.
        if (documentKindOf(Form1->ComboBox2->currentText()) == DocumentKind::Invoice)
            Form1->pageIssued();
    };
    return links;
}
