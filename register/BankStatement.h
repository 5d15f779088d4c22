#pragma once

#include "common/Amount.h"
#include "common/Currency.h"
#include "register/RegisterStore.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// A payment received, as a bank's CAMT.053 statement (ISO 20022
// BankToCustomerStatement) lists it: a booked credit entry.
struct BankCredit {
    QDate booked;
    Amount amount;
    Currency currency = Currency::Euro;
    QString payer;
    QString reason;     // the payment reason, as the payer wrote it
    QString reference;  // the bank's own reference of the entry
};

// The booked credits of a statement, in its order; debits and entries not
// yet booked are left out, and so is an entry in a currency other than the
// euro or the lev. A file that is not a CAMT.053 statement throws a Failure
// that says so.
QList<BankCredit> readCamt053(const QByteArray &xml);

// A credit matched to a document that is owed: the document whose number
// stands in the reason, in the same currency. The amount may differ (a part
// payment); where several documents' numbers stand there, the one owing
// exactly the amount is taken, else the first.
struct CreditMatch {
    BankCredit credit;
    RegisterRow document;
};
QList<CreditMatch> matchCredits(const QList<BankCredit> &credits, const QList<RegisterRow> &owing);

// The matches of a statement's credits to the documents the register finds
// owed on `today`, less those recorded from a statement already; and the
// payment each records.
QList<CreditMatch> creditsToRecord(const RegisterStore &store, const QList<BankCredit> &credits, const QDate &today);
Payment bankPayment(const CreditMatch &match);
// Reads a statement file; a file that cannot be read throws a Failure.
QList<BankCredit> readCamt053File(const QString &path);

// The note a payment from a statement carries: it names the bank's
// reference, so the same statement read again records nothing twice.
QString bankPaymentNote(const BankCredit &credit);
// What the user confirms, one line per match.
QString creditMatchText(const CreditMatch &match);
