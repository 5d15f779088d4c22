#pragma once

#include "ledger/SalesLedger.h"

// The VIES declaration of a month (VIES.TXT): per counterparty of another
// member state, the intra-Community supplies of goods (02-15), the supplies
// as intermediary in a triangular operation (02-25) and the services under
// чл. 21, ал. 2 (02-17) of the sales ledger.

struct ViesLine {
    QString vatNumber;  // with its member state's two letters
    Amount goods;       // k3
    Amount triangular;  // k4
    Amount services;    // k5
};

struct ViesDeclaration {
    LedgerCompany company;
    TaxPeriod period;
    QList<ViesLine> lines;  // in the order of the counterparties' first records
    // Documents of those cells whose client has no VAT number of another member state.
    QStringList problems;
    Amount goods() const;
    Amount total() const;
};

// A month needs it when any of the three cells is not zero.
bool needsVies(const SalesLedger &ledger);
ViesDeclaration viesOf(const SalesLedger &ledger);
