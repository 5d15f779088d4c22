#include "app/PrintLinks.h"

#include "app/CurrentInvoice.h"
#include "app/Menu.h"
#include "common/Failure.h"
#include "lines/Unit1.h"
#include "print/Pr.h"
#include "reference/DocumentNumber.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "platform/Paths.h"
#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "register/RegisterStore.h"

namespace {

// "Собствени фирми" opens the browser on the own companies at the company
// of this run; the number goes into the record it stands on, and the
// browser closes again, also when the write fails.
template<typename Write>
auto inOwnCompany(Write write)
{
    Main->SpeedButton5Click();
    struct Close {
        ~Close() { Form4->SpeedButton1Click(); }
    } close;
    return write(*Form4->Table1);
}

QString recordNumber(const QString &column, const QString &number)
{
    const DocumentNumber::Result result = inOwnCompany([&](TableStore &firm) {
        return DocumentNumber::record(firm, column, number, NumberTaken);
    });
    if (result.outcome == DocumentNumber::Outcome::TakenByOther)
        throw Failure(DocumentNumber::takenMessage(number));
    return result.before;
}

// Only a page that is out spends the number taken at assembly: a print that
// fails gives its number back, and the number must still be checked against
// other programs at the next print.
void numberIssued(const QString &number)
{
    AssemblyPrinted = true;
    // A proforma is an offer: its lines keep their stock only once issued on
    // an invoice or note.
    if (documentKindOf(Form1->ComboBox2->currentText()) == DocumentKind::Invoice)
        Form1->pageIssued();
    // This program has moved the sequence to or past the number it took: the
    // stored number no longer tells whether another program issued it.
    if (!NumberTaken.isEmpty() && number.toLongLong() >= NumberTaken.trimmed().toLongLong())
        NumberTaken.clear();
}

void giveBackNumber(const QString &column, const QString &number, const QString &before)
{
    inOwnCompany([&](TableStore &firm) { DocumentNumber::giveBack(firm, column, number, before); });
}

} // namespace

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
    links.recordNumber = recordNumber;
    links.giveBackNumber = giveBackNumber;
    links.numberIssued = numberIssued;
    return links;
}
