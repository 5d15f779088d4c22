#include "ledger/LedgerFiles.h"

#include "common/Cp1251.h"
#include "common/Failure.h"
#include "ledger/PurchaseLedger.h"
#include "ledger/SalesLedger.h"
#include "ledger/Vies.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

constexpr int AmountWidth = 15;

// A record is built field by field; the layout has no separators, so every
// field is padded to its width here and a value too long for a number field
// is refused, never cut.
class Record {
public:
    void text(const QString &value, int width)
    {
        const QByteArray bytes = Cp1251::encode(fittedText(value, width));
        m_bytes += bytes;
        m_bytes += QByteArray(width - bytes.size(), ' ');
    }

    void number(const QString &digits, int width)
    {
        if (digits.size() > width)
            throw Failure(QStringLiteral("Стойността %1 е по-дълга от полето си във файла (%2 знака).")
                              .arg(digits)
                              .arg(width));
        m_bytes += QByteArray(width - digits.size(), ' ');
        m_bytes += digits.toLatin1();
    }

    void number(qint64 value, int width) { number(QString::number(value), width); }
    void amount(Amount value, int width = AmountWidth) { number(centsText(value), width); }

    QByteArray line() const { return m_bytes + "\r\n"; }

private:
    QByteArray m_bytes;
};

} // namespace

QString fittedText(const QString &text, int width)
{
    QString fitted;
    int characters = 0;
    for (qsizetype i = 0; i < text.size() && characters < width; ++i, ++characters) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            fitted += c;
            fitted += text[++i];
            continue;
        }
        // A line break inside a value would end the record early; no other
        // control character belongs in the agency's text either.
        fitted += c.category() == QChar::Other_Control ? QChar(u' ') : c;
    }
    return fitted;
}

QString filerText(const LedgerCompany &company)
{
    return company.filerId.simplified() + u'/' + company.person.simplified();
}

QByteArray salesLedgerFile(const SalesLedger &ledger)
{
    // The cells in the order of the record (02-10, 02-20, 02-11, …, 02-25):
    // the order of LedgerCell.
    QByteArray file;
    for (const LedgerRecord &entry : ledger.records) {
        Record record;
        record.text(vatNumberWithPrefix(ledger.company.vatNumber), 15);        // 02-00
        record.text(ledger.period.code(), 6);                                  // 02-01
        record.number(0, 4);                                                   // 02-02 head office
        record.number(entry.runningNumber, 15);                                // 02-03
        record.text(entry.type, 2);                                            // 02-04
        record.text(entry.number, LedgerWidths::Number);                       // 02-05
        record.text(entry.date.toString(QStringLiteral("dd/MM/yyyy")), 10);    // 02-06
        record.text(entry.clientId, LedgerWidths::ClientId);                   // 02-07
        record.text(entry.clientName, LedgerWidths::ClientName);               // 02-08
        record.text(entry.description, LedgerWidths::Description);             // 02-09
        for (const Amount amount : entry.cells)                                // 02-10 … 02-25
            record.amount(amount);
        record.text(entry.supplyCode, 2);                                      // 02-27
        file += record.line();
    }
    return file;
}

QByteArray purchaseLedgerFile(const PurchaseLedger &ledger)
{
    QByteArray file;
    for (const PurchaseRecord &entry : ledger.records) {
        Record record;
        record.text(vatNumberWithPrefix(ledger.company.vatNumber), 15);        // 03-02
        record.text(ledger.period.code(), 6);                                  // 03-01
        record.number(0, 4);                                                   // 03-03 head office
        record.number(entry.runningNumber, 15);                                // 03-04
        record.text(entry.type, 2);                                            // 03-05
        record.text(entry.number, LedgerWidths::Number);                       // 03-06
        record.text(entry.date.toString(QStringLiteral("dd/MM/yyyy")), 10);    // 03-07
        record.text(entry.supplierId, LedgerWidths::ClientId);                 // 03-08
        record.text(entry.supplierName, LedgerWidths::ClientName);             // 03-09
        record.text(entry.description, LedgerWidths::Description);             // 03-10
        for (const Amount amount : entry.cells)                                // 03-30 … 03-44
            record.amount(amount);
        record.text(QString(), 2);                                             // 03-45
        file += record.line();
    }
    return file;
}

QByteArray vatReturnFile(const SalesLedger &ledger)
{
    PurchaseLedger none;
    none.company = ledger.company;
    none.period = ledger.period;
    return vatReturnFile(ledger, none);
}

QByteArray vatReturnFile(const SalesLedger &ledger, const PurchaseLedger &purchases)
{
    Record record;
    record.text(vatNumberWithPrefix(ledger.company.vatNumber), 15); // 00-01
    record.text(ledger.company.name, 50);                           // 00-02
    record.text(ledger.period.code(), 6);                           // 00-03
    record.text(filerText(ledger.company), 50);                     // 00-04 ЕГН/име
    record.number(ledger.records.size(), 15);                       // 00-05
    record.number(purchases.records.size(), 15);                    // 00-06
    for (const auto &salesCell : returnSalesCells(ledger))          // 01-01 … 01-19
        record.amount(salesCell.second);
    const auto sum = [&purchases](PurchaseCell which) { return purchases.sums[std::size_t(which)]; };
    record.amount(sum(PurchaseCell::NoCredit) + sum(PurchaseCell::Triangular)); // 01-30
    record.amount(sum(PurchaseCell::FullBase));                     // 01-31
    record.amount(sum(PurchaseCell::FullVat));                      // 01-41
    record.amount(sum(PurchaseCell::PartialBase));                  // 01-32
    record.amount(sum(PurchaseCell::PartialVat));                   // 01-42
    record.amount(sum(PurchaseCell::Adjustment));                   // 01-43
    record.text(centsText(purchases.coefficient), 4);               // 01-33 coefficient
    const ReturnResult result = returnResult(ledger, purchases);
    record.amount(result.credit);                                   // 01-40 tax credit
    record.amount(result.toPay);                                    // 01-50 to pay
    record.amount(result.toRefund);                                 // 01-60 to refund
    record.amount(Amount());                                        // 01-70 offset
    record.amount(result.toPay);                                    // 01-71 paid
    for (int rest = 0; rest < 3; ++rest)                            // 01-80 … 01-82
        record.amount(Amount());
    return record.line();
}

namespace {

// The address as the VIES declarant's record splits it: the city, its
// four-digit postcode (blank when the address has none) and the rest.
struct SplitAddress {
    QString city;
    QString postcode;
    QString street;
};

SplitAddress splitAddress(const QString &address)
{
    SplitAddress split;
    QString rest = address.simplified();
    static const QRegularExpression postcode(QStringLiteral("\\b(\\d{4})\\b"));
    const auto match = postcode.match(rest);
    if (match.hasMatch()) {
        split.postcode = match.captured(1);
        rest.remove(match.capturedStart(), match.capturedLength());
    }
    const qsizetype comma = rest.indexOf(u',');
    split.city = (comma < 0 ? rest : rest.left(comma)).simplified();
    split.city.remove(QRegularExpression(QStringLiteral("^гр\\.\\s*")));
    split.street = comma < 0 ? QString() : rest.mid(comma + 1).simplified();
    return split;
}

} // namespace

QByteArray viesFile(const ViesDeclaration &declaration)
{
    const LedgerCompany &company = declaration.company;
    const QString period = QStringLiteral("%1/%2").arg(declaration.period.month, 2, 10, QLatin1Char('0')).arg(declaration.period.year);
    QByteArray file;
    Record header;
    header.text(QStringLiteral("VHR"), 3);
    header.text(period, 7);
    header.number(declaration.lines.size(), 5);
    file += header.line();

    const SplitAddress address = splitAddress(company.address);
    Record declarant;
    declarant.text(QStringLiteral("VDR"), 3);
    declarant.text(company.filerId.simplified(), 15);
    declarant.text(company.person.simplified(), 150);
    declarant.text(address.city, 50);
    declarant.text(address.postcode, 4);  // blanks when there is none
    declarant.text(address.street, 150);
    declarant.text(QStringLiteral("R"), 1);  // the legal representative
    file += declarant.line();

    Record registered;
    registered.text(QStringLiteral("VTR"), 3);
    registered.text(vatNumberWithPrefix(company.vatNumber), 15);
    registered.text(company.name, 150);
    registered.text(company.address.simplified(), 200);
    file += registered.line();

    Record totals;
    totals.text(QStringLiteral("TTR"), 3);
    totals.amount(declaration.total(), 12);
    totals.amount(declaration.goods(), 12);
    file += totals.line();

    int lineNumber = 0;
    for (const ViesLine &line : declaration.lines) {
        Record record;
        record.text(QStringLiteral("VIR"), 3);
        record.number(++lineNumber, 5);
        record.text(line.vatNumber, 15);
        record.amount(line.goods, 12);
        record.amount(line.triangular, 12);
        record.amount(line.services, 12);
        record.text(QString(), 7);  // the declaration's own period
        file += record.line();
    }
    Record callOff;  // no call-off stock
    callOff.text(QStringLiteral("CHR"), 3);
    callOff.number(0, 5);
    file += callOff.line();
    return file;
}

void writeWholeFile(const QString &path, const QByteArray &bytes)
{
    // Unbuffered: a buffered QSaveFile flushes only in commit(), where a
    // failed write (a full disk) does not stop it from replacing the file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()
        || !file.commit())
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде записан: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
}

QString existingFileQuestion(const QString &path)
{
    return QStringLiteral("Файлът „%1“ вече съществува. Да бъде ли заменен?").arg(QDir::toNativeSeparators(path));
}
