#include "app/PrintLinks.h"

#include "app/CurrentInvoice.h"
#include "app/Menu.h"
#include "lines/Unit1.h"
#include "print/Pr.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"
#include "platform/BusyCursor.h"
#include "platform/Paths.h"
#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "register/IssuedRules.h"
#include "register/RegisterStore.h"

#include <memory>

namespace {

// The register that one print asks (is the document recorded, is a file
// name taken, record it): opened by the first question, kept until the
// print is issued, and dropped by a failure, so that one print makes one
// connection to a server rather than one per question.
class PrintRegister {
public:
    template<typename Use>
    auto use(Use &&question)
    {
        BusyCursor busy;
        try {
            if (!m_store || m_folder != dataDirectory()) {
                m_store.reset();
                m_folder = dataDirectory();
                m_store = std::make_unique<RegisterStore>(m_folder);
            }
            return question(*m_store);
        } catch (...) {
            m_store.reset();
            throw;
        }
    }
    void release() { m_store.reset(); }

private:
    QString m_folder;
    std::unique_ptr<RegisterStore> m_store;
};

Recorded record(RegisterStore &store, const Invoice &invoice, const PrintedPage &page)
{
    const Recorded recorded =
        store.recordPrint(invoice,
                          ArchiveFiles::of(page.image, page.imageBytes, page.pdf, page.pdfBytes, page.einvoice,
                                           page.einvoiceBytes),
                          page.mode == PrintRules::Copy ? PrintMode::Copy : PrintMode::Original);
    TableStore *table = Form4->Table1;
    if (table->isActive() && table->tableName() == Schema::Firm::FileName)
        table->refresh();
    return recorded;
}

bool holds(const RegisterStore &store, const Invoice &invoice)
{
    const std::optional<qint64> held = store.documentId(companyKey(invoice.supplier),
                                                        numberSeries(invoice.kind), invoice.number);
    return held && store.invoice(*held) == invoice;
}

} // namespace

Recorded recordInRegister(const Invoice &invoice, const PrintedPage &page)
{
    BusyCursor busy;
    RegisterStore store(dataDirectory());
    return record(store, invoice, page);
}

bool isRecorded(const Invoice &invoice)
{
    BusyCursor busy;
    return holds(RegisterStore(dataDirectory()), invoice);
}

PrintLinks printLinks()
{
    PrintLinks links;
    links.documentKind = [] { return Form1->ComboBox2->currentText(); };
    links.firmRecNo = [] { return Form4->FirmRecNo; };
    links.invoice = currentInvoice;
    const auto store = std::make_shared<PrintRegister>();
    links.recorded = [store](const Invoice &invoice) {
        return store->use([&](RegisterStore &held) { return holds(held, invoice); });
    };
    links.fileTaken = [store](const QString &path, const Invoice &invoice) {
        return store->use([&](RegisterStore &held) { return held.fileTaken(path, invoice); });
    };
    links.recordPrint = [store](const Invoice &invoice, const PrintedPage &page) {
        return store->use([&](RegisterStore &held) { return record(held, invoice, page); }) == Recorded::CopyCounted;
    };
    links.issued = [store](const Invoice &invoice) {
        store->release();
        AssemblyPrinted = true;
        // A proforma is an offer: its lines keep their stock only once issued
        // on an invoice or note.
        if (invoice.kind == DocumentKind::Invoice)
            Form1->pageIssued();
    };
    return links;
}
