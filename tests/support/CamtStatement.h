#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A bank's CAMT.053 statement as the tests write one: each entry given as
// its XML inside <Ntry>, or made by credit().
namespace CamtStatement {

inline QByteArray statement(const QStringList &entries,
                            const QString &layout = QStringLiteral("urn:iso:std:iso:20022:tech:xsd:camt.053.001.02"))
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"%1\"><BkToCstmrStmt>"
                          "<GrpHdr><MsgId>1</MsgId></GrpHdr><Stmt><Id>1</Id>%2</Stmt></BkToCstmrStmt></Document>")
        .arg(layout, entries.join(QString()))
        .toUtf8();
}

// A booked credit in the 2009 layout.
inline QString credit(const QString &amount, const QString &currency, const QString &reason, const QString &reference,
                      const QString &payer = QStringLiteral("Клиент ООД"), const QString &date = QStringLiteral("2026-02-25"))
{
    return QStringLiteral("<Ntry><Amt Ccy=\"%2\">%1</Amt><CdtDbtInd>CRDT</CdtDbtInd><Sts>BOOK</Sts>"
                          "<BookgDt><Dt>%6</Dt></BookgDt><AcctSvcrRef>%4</AcctSvcrRef><NtryDtls><TxDtls>"
                          "<RltdPties><Dbtr><Nm>%5</Nm></Dbtr></RltdPties><RmtInf><Ustrd>%3</Ustrd></RmtInf>"
                          "</TxDtls></NtryDtls></Ntry>")
        .arg(amount, currency, reason.toHtmlEscaped(), reference, payer.toHtmlEscaped(), date);
}

} // namespace CamtStatement
