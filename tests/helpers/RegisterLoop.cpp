// register_loop_helper <data folder> <first number> <count>
// Prints invoices one after another through the register of the data
// folder, each with its number and a client named after it, as the print
// command records them: the document in Register.db and its number in the
// first own company of Firm.db, in one transaction. Prints every number
// whose recording has returned. The kill test stops it half-way.

#include "register/RegisterStore.h"
#include "support/SampleInvoice.h"
#include "WriteLoop.h"

#include <QCoreApplication>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    std::unique_ptr<RegisterStore> store;
    return runWriteLoop(
        arguments, 4, [&] { store = std::make_unique<RegisterStore>(arguments[1]); },
        [&](int i) {
            Invoice invoice = sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Leva, QString::number(i),
                                            QStringLiteral("Клиент %1").arg(i));
            invoice.supplier.party.eik.clear();  // the kill test's own company has none
            return store->recordPrint(invoice, {}, PrintMode::Original) == Recorded::NewDocument;
        });
}
