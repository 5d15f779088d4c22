#pragma once

// Two own companies in one Firm.db (or the server's "Firm"), and a third
// record inserted before them later, as a user adds a company at the top:
// the first two move down one record.

#include "support/EngineFolder.h"
#include "support/SampleInvoice.h"

// The second own company: sampleInvoice()'s document as issued by it.
inline Invoice secondCompanyInvoice(const QString &number, int recordNo)
{
    Invoice invoice = sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, number,
                                    QStringLiteral("Клиент на втората"));
    invoice.supplier.recordNo = recordNo;
    invoice.supplier.party.name = QStringLiteral("Втора фирма ООД");
    invoice.supplier.party.eik = QStringLiteral("222 333 444");
    invoice.supplier.party.vatNumber = QStringLiteral("222333444");
    return invoice;
}

inline Invoice firstCompanyInvoice(const QString &number, int recordNo)
{
    Invoice invoice = sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, number);
    invoice.supplier.recordNo = recordNo;
    return invoice;
}

// A record of the own companies at the key (below makeOwnCompany()'s first
// key for "above it", beyond it for "after it").
inline bool addOwnCompany(const EngineFolder &folder, qint64 key, const QString &name, const QString &eik)
{
    return folder
        .sqlOnFirm({QStringLiteral("INSERT INTO \"Firm\" (%1, \"ДОСТАВЧИК\", \"ИН\", \"Фактура №\", \"Проформа №\") "
                                   "VALUES (%2, '%3', '%4', '0000000000', '0000000000')")
                        .arg(folder.writeOrder())
                        .arg(key)
                        .arg(name, eik)})
        .isEmpty();
}

// The second company after the first (records 1 and 2).
inline bool makeTwoOwnCompanies(const EngineFolder &folder)
{
    return folder.makeOwnCompany()
        && addOwnCompany(folder, 2 * Schema::MakerKeyStep, QStringLiteral("Втора фирма ООД"),
                         QStringLiteral("222333444"));
}

// A third company inserted above both: the first is record 2 now, the second 3.
inline bool insertCompanyAbove(const EngineFolder &folder)
{
    return addOwnCompany(folder, 1, QStringLiteral("Трета ЕТ"), QStringLiteral("555666777"));
}
