#pragma once

#include "document/Invoice.h"
#include "register/RegisterStore.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// A client's statement: the documents of one own company to one client that
// still owe something, with what each owes and how late it is, and what is
// owed in all per currency.
struct ClientStatement {
    InvoiceSupplier company;  // as its latest document to the client names it
    InvoiceParty client;
    QDate date;
    QList<RegisterRow> documents;  // oldest first
    QList<std::pair<Currency, Amount>> owed;
};

// The statement of the client of the document, from the register, as of `today`.
ClientStatement clientStatement(const RegisterStore &store, qint64 document, const QDate &today);
// The statement as the lines of its page: the heading, one line per
// document and the totals.
QStringList statementLines(const ClientStatement &statement);
// The file name proposed for it: "Извлечение_<client>_<date>.pdf", without
// characters a file name cannot hold.
QString statementFileName(const ClientStatement &statement);
