#include "einvoice/EInvoice.h"

#include "common/Failure.h"
#include "einvoice/VatCategory.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamWriter>
#include <cstdlib>

namespace {

const QString InvoiceNs = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:Invoice-2");
const QString CreditNoteNs = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CreditNote-2");
const QString Cac =
    QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2");
const QString Cbc = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2");
const QString Customization =
    QStringLiteral("urn:cen.eu:en16931:2017#compliant#urn:fdc:peppol.eu:2017:poacc:billing:3.0");
const QString Profile = QStringLiteral("urn:fdc:peppol.eu:2017:poacc:billing:01:1.0");

// The electronic address schemes (Peppol EAS) of the member states' VAT numbers.
const QHash<QString, QString> &vatSchemes()
{
    static const QHash<QString, QString> schemes{
        {QStringLiteral("AT"), QStringLiteral("9914")}, {QStringLiteral("BE"), QStringLiteral("9925")},
        {QStringLiteral("BG"), QStringLiteral("9926")}, {QStringLiteral("CY"), QStringLiteral("9928")},
        {QStringLiteral("CZ"), QStringLiteral("9929")}, {QStringLiteral("DE"), QStringLiteral("9930")},
        {QStringLiteral("EE"), QStringLiteral("9931")}, {QStringLiteral("EL"), QStringLiteral("9933")},
        {QStringLiteral("HR"), QStringLiteral("9934")}, {QStringLiteral("IE"), QStringLiteral("9935")},
        {QStringLiteral("LT"), QStringLiteral("9937")}, {QStringLiteral("LU"), QStringLiteral("9938")},
        {QStringLiteral("LV"), QStringLiteral("9939")}, {QStringLiteral("MT"), QStringLiteral("9943")},
        {QStringLiteral("NL"), QStringLiteral("9944")}, {QStringLiteral("PL"), QStringLiteral("9945")},
        {QStringLiteral("PT"), QStringLiteral("9946")}, {QStringLiteral("RO"), QStringLiteral("9947")},
        {QStringLiteral("SI"), QStringLiteral("9949")}, {QStringLiteral("SK"), QStringLiteral("9950")},
        {QStringLiteral("ES"), QStringLiteral("9920")}, {QStringLiteral("IT"), QStringLiteral("9906")},
        {QStringLiteral("FR"), QStringLiteral("9957")}, {QStringLiteral("HU"), QStringLiteral("9910")},
    };
    return schemes;
}

// A VAT number as EN 16931 carries it: with its country's prefix, "BG" where
// it was typed as digits.
QString vatIdentifier(const QString &typed)
{
    QString number = typed;
    number.remove(QRegularExpression(QStringLiteral("[\\s.-]")));
    number = number.toUpper();
    if (number.isEmpty())
        return number;
    static const QRegularExpression prefix(QStringLiteral("^[A-Z]{2}"));
    return prefix.match(number).hasMatch() ? number : QStringLiteral("BG") + number;
}

// The country of a VAT number, as ISO 3166 names it (Greece's VAT numbers say "EL").
QString countryOf(const QString &vatId)
{
    const QString prefix = vatId.left(2);
    return prefix == u"EL" ? QStringLiteral("GR") : prefix;
}

// An amount in whole cents, the half rounded away from zero.
std::int64_t cents(Amount amount)
{
    const std::int64_t units = amount.units();
    const std::int64_t step = Amount::Scale / 100;
    const std::int64_t magnitude = (std::llabs(units) + step / 2) / step;
    return units < 0 ? -magnitude : magnitude;
}

QString money(std::int64_t cents)
{
    const std::int64_t magnitude = std::llabs(cents);
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

// A text of the page on one line; a grey field left as the form has it (a
// row of dots) says nothing.
QString oneLine(const QString &text)
{
    return VatCategories::isEmptyBasis(text) ? QString() : text.simplified();
}

// The unit of a line in UN/ECE Recommendation 20; "C62" (one) for any other.
QString unitCode(const QString &unit)
{
    static const QHash<QString, QString> codes{
        {QStringLiteral("бр"), QStringLiteral("H87")},  {QStringLiteral("кг"), QStringLiteral("KGM")},
        {QStringLiteral("г"), QStringLiteral("GRM")},   {QStringLiteral("гр"), QStringLiteral("GRM")},
        {QStringLiteral("т"), QStringLiteral("TNE")},   {QStringLiteral("л"), QStringLiteral("LTR")},
        {QStringLiteral("м"), QStringLiteral("MTR")},   {QStringLiteral("км"), QStringLiteral("KMT")},
        {QStringLiteral("м2"), QStringLiteral("MTK")},  {QStringLiteral("кв.м"), QStringLiteral("MTK")},
        {QStringLiteral("м3"), QStringLiteral("MTQ")},  {QStringLiteral("куб.м"), QStringLiteral("MTQ")},
        {QStringLiteral("ч"), QStringLiteral("HUR")},   {QStringLiteral("час"), QStringLiteral("HUR")},
        {QStringLiteral("ден"), QStringLiteral("DAY")}, {QStringLiteral("месец"), QStringLiteral("MON")},
        {QStringLiteral("к-т"), QStringLiteral("SET")}, {QStringLiteral("компл"), QStringLiteral("SET")},
    };
    QString key = unit.simplified().toLower();
    while (key.endsWith(u'.'))
        key.chop(1);
    return codes.value(key, QStringLiteral("C62"));
}

// Everything the file says, worked out and checked before a byte is written.
struct Plan {
    bool credit = false;
    std::int64_t sign = 1;  // a credit note recorded with negative amounts is written with positive ones
    VatCategory category = VatCategory::Standard;
    int percent = 0;
    QDate issued;
    std::optional<QDate> taxEvent;
    std::optional<QDate> due;
    std::optional<QDate> correctedDate;
    QString sellerVat, buyerVat, buyerCountry;
    struct Line {
        int number = 0;
        QString name, unit;
        Amount quantity, price;
        std::int64_t net = 0;
    };
    QList<Line> lines;
    std::int64_t lineSum = 0, taxBase = 0, vat = 0, total = 0;
};

class Refusal {
public:
    void need(bool present, const QString &missing)
    {
        if (!present)
            m_missing << missing;
    }
    bool empty() const { return m_missing.isEmpty(); }
    QString text(const Invoice &invoice) const
    {
        return QStringLiteral("За документ № %1 от %2 няма е-фактура: %3.")
            .arg(invoice.number.trimmed(), oneLine(invoice.issueDate), m_missing.join(QStringLiteral("; ")));
    }

private:
    QStringList m_missing;
};

QString quoted(const QString &text) { return QStringLiteral("„%1“").arg(oneLine(text)); }

std::optional<QDate> dateIn(const QString &text)
{
    static const QRegularExpression dayFirst(QStringLiteral("(\\d{1,2})[./-](\\d{1,2})[./-](\\d{4})"));
    static const QRegularExpression yearFirst(QStringLiteral("(\\d{4})-(\\d{1,2})-(\\d{1,2})"));
    if (const auto match = yearFirst.match(text); match.hasMatch()) {
        const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        if (date.isValid())
            return date;
    }
    if (const auto match = dayFirst.match(text); match.hasMatch()) {
        const QDate date(match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
        if (date.isValid())
            return date;
    }
    return std::nullopt;
}

// What the document is decides whether it has an e-invoice at all.
std::optional<QString> kindRefusal(const Invoice &invoice)
{
    Refusal refusal;
    refusal.need(invoice.kind != DocumentKind::Proforma,
                 QStringLiteral("проформа фактурата е оферта, не данъчен документ"));
    refusal.need(invoice.currency == Currency::Euro,
                 QStringLiteral("документът е в лева, а е-фактура по EN 16931 се издава само в евро"));
    return refusal.empty() ? std::nullopt : std::optional(refusal.text(invoice));
}

void planCategory(const Invoice &invoice, Plan &plan, Refusal &refusal)
{
    const auto percent = VatCategories::percentOf(invoice.totals.rate);
    refusal.need(percent.has_value(),
                 QStringLiteral("ставката на ДДС %1 не е цял процент").arg(quoted(invoice.totals.rate)));
    plan.percent = percent.value_or(0);
    if (plan.percent > 0) {
        plan.category = VatCategory::Standard;
    } else if (VatCategories::isEmptyBasis(invoice.texts.vatBasis)) {
        refusal.need(false, QStringLiteral("при ставка 0 % липсва основание за неначисляване на ДДС"));
    } else if (const auto category = VatCategories::ofBasis(invoice.texts.vatBasis)) {
        plan.category = *category;
    } else {
        refusal.need(false,
                     QStringLiteral("основанието %1 не посочва член от ЗДДС, по който да се определи "
                                    "категорията на ДДС")
                         .arg(quoted(invoice.texts.vatBasis)));
    }
}

void planParties(const Invoice &invoice, Plan &plan, Refusal &refusal)
{
    const QString category = VatCategories::name(plan.category);
    plan.sellerVat = vatIdentifier(invoice.supplier.party.vatNumber);
    plan.buyerVat = vatIdentifier(invoice.client.vatNumber);
    refusal.need(!oneLine(invoice.supplier.party.name).isEmpty(),
                 QStringLiteral("липсва името на доставчика"));
    refusal.need(!oneLine(invoice.client.name).isEmpty(), QStringLiteral("липсва името на получателя"));
    refusal.need(!oneLine(invoice.supplier.party.address).isEmpty(),
                 QStringLiteral("липсва адресът на доставчика %1").arg(quoted(invoice.supplier.party.name)));
    if (plan.category != VatCategory::OutsideScope)
        refusal.need(!plan.sellerVat.isEmpty(),
                     QStringLiteral("липсва ИН по ЗДДС на доставчика %1 (нужен при %2)")
                         .arg(quoted(invoice.supplier.party.name), category));
    if (plan.category == VatCategory::ReverseCharge || plan.category == VatCategory::IntraCommunity)
        refusal.need(!plan.buyerVat.isEmpty(),
                     QStringLiteral("липсва ИН по ЗДДС на получателя %1 (нужен при %2)")
                         .arg(quoted(invoice.client.name), category));
    plan.buyerCountry = plan.buyerVat.isEmpty() ? QStringLiteral("BG") : countryOf(plan.buyerVat);
    if (plan.category == VatCategory::IntraCommunity)
        refusal.need(plan.buyerCountry != u"BG",
                     QStringLiteral("ИН по ЗДДС на получателя %1 не е от друга държава членка (нужен при %2)")
                         .arg(quoted(invoice.client.vatNumber), category));
}

void planDates(const Invoice &invoice, Plan &plan, Refusal &refusal)
{
    const auto issued = dateIn(invoice.issueDate);
    refusal.need(issued.has_value(),
                 QStringLiteral("датата на документа %1 не е дата").arg(quoted(invoice.issueDate)));
    plan.issued = issued.value_or(QDate());
    plan.taxEvent = dateIn(invoice.texts.taxEventDate);
    plan.due = dateIn(invoice.texts.paymentDate);
    // A page that names neither a payment term nor a date of payment leaves
    // the payment due at once (чл. 69 ЗЗД): on the day of issue.
    if (!plan.due && oneLine(invoice.payment.terms).isEmpty() && issued)
        plan.due = issued;
    if (plan.category == VatCategory::IntraCommunity)
        refusal.need(
            plan.taxEvent.has_value(),
            QStringLiteral(
                "липсва датата на данъчното събитие (на доставката, нужна при вътреобщностна доставка)"));
    if (invoice.note.kind == NoteKind::Credit)
        refusal.need(!oneLine(invoice.note.invoiceNumber).isEmpty(),
                     QStringLiteral("липсва номерът на фактурата, към която е кредитното известие"));
    plan.correctedDate = dateIn(invoice.note.invoiceDate);
}

void planAmounts(const Invoice &invoice, Plan &plan, Refusal &refusal)
{
    plan.credit = invoice.note.kind == NoteKind::Credit;
    plan.sign = plan.credit && invoice.totals.total < Amount() ? -1 : 1;
    refusal.need(!invoice.lines.isEmpty(), QStringLiteral("документът няма редове"));
    for (const InvoiceLine &line : invoice.lines) {
        Plan::Line planned;
        planned.number = line.number;
        planned.name = oneLine(line.description);
        planned.unit = unitCode(line.unit);
        planned.net = plan.sign * cents(line.value);
        // The price is never negative: a line that takes off carries its sign in the quantity.
        const bool negative = planned.net < 0;
        planned.price = line.price < Amount() ? Amount() - line.price : line.price;
        const Amount quantity = line.quantity < Amount() ? Amount() - line.quantity : line.quantity;
        planned.quantity = negative ? Amount() - quantity : quantity;
        refusal.need(!planned.name.isEmpty(), QStringLiteral("ред %1 няма описание").arg(line.number));
        plan.lineSum += planned.net;
        plan.lines << planned;
    }
    plan.taxBase = plan.sign * cents(invoice.totals.taxBase);
    plan.vat = plan.sign * cents(invoice.totals.vat);
    plan.total = plan.sign * cents(invoice.totals.total);
    refusal.need(plan.total == plan.taxBase + plan.vat,
                 QStringLiteral("сумата за плащане %1 не е равна на данъчната основа %2 плюс ДДС %3")
                     .arg(money(plan.total), money(plan.taxBase), money(plan.vat)));
    // The rate times the base, rounded to the cent; the page counts the
    // VAT on the base before it is rounded, which may differ by a cent.
    const __int128 product = __int128(plan.taxBase) * plan.percent;
    const std::int64_t expected =
        std::int64_t(((product < 0 ? -product : product) + 50) / 100) * (product < 0 ? -1 : 1);
    refusal.need(std::llabs(expected - plan.vat) <= 1,
                 QStringLiteral("ДДС %1 не е %2 % от данъчната основа %3")
                     .arg(money(plan.vat))
                     .arg(plan.percent)
                     .arg(money(plan.taxBase)));
    // The tax base is the sum of the lines as the page rounds them; a line
    // value with more decimals leaves cents that a rounding allowance or
    // charge carries (see Ubl::roundingAdjustment()).
    refusal.need(std::llabs(plan.taxBase - plan.lineSum) <= std::max<std::int64_t>(1, plan.lines.size()),
                 QStringLiteral("данъчната основа %1 не е сборът на редовете %2")
                     .arg(money(plan.taxBase), money(plan.lineSum)));
}

Plan plan(const Invoice &invoice)
{
    if (const auto refused = kindRefusal(invoice))
        throw Failure(*refused);
    Plan plan;
    Refusal refusal;
    planCategory(invoice, plan, refusal);
    planParties(invoice, plan, refusal);
    planDates(invoice, plan, refusal);
    planAmounts(invoice, plan, refusal);
    if (!refusal.empty())
        throw Failure(refusal.text(invoice));
    return plan;
}

// Writes the UBL elements in the order the schema gives them, none empty.
class Ubl {
public:
    Ubl(QByteArray &bytes, const Invoice &invoice, const Plan &plan)
        : m_xml(&bytes), m_invoice(invoice), m_plan(plan)
    {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(1);
    }

    void write()
    {
        m_xml.writeStartDocument();
        m_xml.writeDefaultNamespace(m_plan.credit ? CreditNoteNs : InvoiceNs);
        m_xml.writeNamespace(Cac, QStringLiteral("cac"));
        m_xml.writeNamespace(Cbc, QStringLiteral("cbc"));
        m_xml.writeStartElement(m_plan.credit ? CreditNoteNs : InvoiceNs,
                                m_plan.credit ? QStringLiteral("CreditNote") : QStringLiteral("Invoice"));
        header();
        party(QStringLiteral("AccountingSupplierParty"), m_invoice.supplier.party, m_plan.sellerVat,
              QStringLiteral("BG"), m_invoice.supplier.addressSecondLine);
        party(QStringLiteral("AccountingCustomerParty"), m_invoice.client, m_plan.buyerVat,
              m_plan.buyerCountry, {});
        delivery();
        payment();
        roundingAdjustment();
        taxTotal();
        monetaryTotal();
        for (const Plan::Line &line : m_plan.lines)
            invoiceLine(line);
        m_xml.writeEndElement();
        m_xml.writeEndDocument();
    }

private:
    void cbc(const QString &name, const QString &text)
    {
        if (!text.isEmpty())
            m_xml.writeTextElement(Cbc, name, text);
    }
    void amount(const QString &name, std::int64_t cents)
    {
        m_xml.writeStartElement(Cbc, name);
        m_xml.writeAttribute(QStringLiteral("currencyID"), QStringLiteral("EUR"));
        m_xml.writeCharacters(money(cents));
        m_xml.writeEndElement();
    }
    void open(const QString &name) { m_xml.writeStartElement(Cac, name); }
    void close() { m_xml.writeEndElement(); }
    static QString date(const QDate &date) { return date.toString(Qt::ISODate); }

    void header()
    {
        cbc(QStringLiteral("CustomizationID"), Customization);
        cbc(QStringLiteral("ProfileID"), Profile);
        cbc(QStringLiteral("ID"), m_invoice.number.trimmed());
        cbc(QStringLiteral("IssueDate"), date(m_plan.issued));
        if (!m_plan.credit) {
            if (m_plan.due)
                cbc(QStringLiteral("DueDate"), date(*m_plan.due));
            cbc(QStringLiteral("InvoiceTypeCode"),
                m_invoice.note.kind == NoteKind::Debit ? QStringLiteral("383") : QStringLiteral("380"));
        } else {
            cbc(QStringLiteral("CreditNoteTypeCode"), QStringLiteral("381"));
        }
        cbc(QStringLiteral("DocumentCurrencyCode"), QStringLiteral("EUR"));
        // The page has no order reference of the client's: the document's own number stands for it.
        cbc(QStringLiteral("BuyerReference"), m_invoice.number.trimmed());
        const QString corrected = oneLine(m_invoice.note.invoiceNumber);
        if (m_invoice.note.kind != NoteKind::None && !corrected.isEmpty()) {
            open(QStringLiteral("BillingReference"));
            open(QStringLiteral("InvoiceDocumentReference"));
            cbc(QStringLiteral("ID"), corrected);
            if (m_plan.correctedDate)
                cbc(QStringLiteral("IssueDate"), date(*m_plan.correctedDate));
            close();
            close();
        }
    }

    void party(const QString &role, const InvoiceParty &party, const QString &vatId, const QString &country,
               const QString &addressSecondLine)
    {
        open(role);
        open(QStringLiteral("Party"));
        const QString scheme = vatSchemes().value(vatId.left(2));
        if (!vatId.isEmpty() && !scheme.isEmpty()) {
            m_xml.writeStartElement(Cbc, QStringLiteral("EndpointID"));
            m_xml.writeAttribute(QStringLiteral("schemeID"), scheme);
            m_xml.writeCharacters(vatId);
            m_xml.writeEndElement();
        }
        open(QStringLiteral("PartyName"));
        cbc(QStringLiteral("Name"), oneLine(party.name));
        close();
        open(QStringLiteral("PostalAddress"));
        cbc(QStringLiteral("StreetName"), oneLine(party.address));
        const QString second = oneLine(addressSecondLine);
        if (second != u"(Адреса)")
            cbc(QStringLiteral("AdditionalStreetName"), second);
        open(QStringLiteral("Country"));
        cbc(QStringLiteral("IdentificationCode"), country);
        close();
        close();
        // A document outside the scope of VAT names no VAT number (BR-O-02).
        if (!vatId.isEmpty() && m_plan.category != VatCategory::OutsideScope) {
            open(QStringLiteral("PartyTaxScheme"));
            cbc(QStringLiteral("CompanyID"), vatId);
            open(QStringLiteral("TaxScheme"));
            cbc(QStringLiteral("ID"), QStringLiteral("VAT"));
            close();
            close();
        }
        open(QStringLiteral("PartyLegalEntity"));
        cbc(QStringLiteral("RegistrationName"), oneLine(party.name));
        cbc(QStringLiteral("CompanyID"), oneLine(party.eik).remove(u' '));
        close();
        close();
        close();
    }

    void delivery()
    {
        const bool intraCommunity = m_plan.category == VatCategory::IntraCommunity;
        if (!m_plan.taxEvent && !intraCommunity)
            return;
        open(QStringLiteral("Delivery"));
        if (m_plan.taxEvent)
            cbc(QStringLiteral("ActualDeliveryDate"), date(*m_plan.taxEvent));
        if (intraCommunity) {
            open(QStringLiteral("DeliveryLocation"));
            open(QStringLiteral("Address"));
            open(QStringLiteral("Country"));
            cbc(QStringLiteral("IdentificationCode"), m_plan.buyerCountry);
            close();
            close();
            close();
        }
        close();
    }

    void payment()
    {
        const QString iban = oneLine(m_invoice.payment.iban).remove(u' ').toUpper();
        const QString bic = oneLine(m_invoice.payment.bic).remove(u' ').toUpper();
        const bool dueInMeans = m_plan.credit && m_plan.due;
        if (!iban.isEmpty() || dueInMeans) {
            open(QStringLiteral("PaymentMeans"));
            // SEPA credit transfer where there is an account, else "not defined".
            cbc(QStringLiteral("PaymentMeansCode"),
                iban.isEmpty() ? QStringLiteral("1") : QStringLiteral("58"));
            if (dueInMeans)
                cbc(QStringLiteral("PaymentDueDate"), date(*m_plan.due));
            cbc(QStringLiteral("PaymentID"), m_invoice.number.trimmed());
            if (!iban.isEmpty()) {
                open(QStringLiteral("PayeeFinancialAccount"));
                cbc(QStringLiteral("ID"), iban);
                cbc(QStringLiteral("Name"), oneLine(m_invoice.supplier.party.name));
                if (!bic.isEmpty()) {
                    open(QStringLiteral("FinancialInstitutionBranch"));
                    cbc(QStringLiteral("ID"), bic);
                    close();
                }
                close();
            }
            close();
        }
        const QString terms = oneLine(m_invoice.payment.terms);
        if (!terms.isEmpty()) {
            open(QStringLiteral("PaymentTerms"));
            cbc(QStringLiteral("Note"), terms);
            close();
        }
    }

    void taxCategory(bool withReason)
    {
        open(QStringLiteral("TaxCategory"));
        cbc(QStringLiteral("ID"), VatCategories::code(m_plan.category));
        if (m_plan.category != VatCategory::OutsideScope)
            cbc(QStringLiteral("Percent"), QString::number(m_plan.percent));
        const bool exempted =
            m_plan.category != VatCategory::Standard && m_plan.category != VatCategory::ZeroRated;
        if (withReason && exempted) {
            cbc(QStringLiteral("TaxExemptionReasonCode"), VatCategories::exemptionCode(m_plan.category));
            cbc(QStringLiteral("TaxExemptionReason"), oneLine(m_invoice.texts.vatBasis));
        }
        open(QStringLiteral("TaxScheme"));
        cbc(QStringLiteral("ID"), QStringLiteral("VAT"));
        close();
        close();
    }

    // The cents between the lines rounded one by one and the page's tax base.
    std::int64_t adjustment() const { return m_plan.taxBase - m_plan.lineSum; }

    void roundingAdjustment()
    {
        if (adjustment() == 0)
            return;
        open(QStringLiteral("AllowanceCharge"));
        cbc(QStringLiteral("ChargeIndicator"),
            adjustment() > 0 ? QStringLiteral("true") : QStringLiteral("false"));
        cbc(QStringLiteral("AllowanceChargeReason"), QStringLiteral("Закръгляване"));
        amount(QStringLiteral("Amount"), std::llabs(adjustment()));
        taxCategory(false);
        close();
    }

    void taxTotal()
    {
        open(QStringLiteral("TaxTotal"));
        amount(QStringLiteral("TaxAmount"), m_plan.vat);
        open(QStringLiteral("TaxSubtotal"));
        amount(QStringLiteral("TaxableAmount"), m_plan.taxBase);
        amount(QStringLiteral("TaxAmount"), m_plan.vat);
        taxCategory(true);
        close();
        close();
    }

    void monetaryTotal()
    {
        open(QStringLiteral("LegalMonetaryTotal"));
        amount(QStringLiteral("LineExtensionAmount"), m_plan.lineSum);
        amount(QStringLiteral("TaxExclusiveAmount"), m_plan.taxBase);
        amount(QStringLiteral("TaxInclusiveAmount"), m_plan.total);
        if (adjustment() < 0)
            amount(QStringLiteral("AllowanceTotalAmount"), -adjustment());
        if (adjustment() > 0)
            amount(QStringLiteral("ChargeTotalAmount"), adjustment());
        amount(QStringLiteral("PayableAmount"), m_plan.total);
        close();
    }

    void invoiceLine(const Plan::Line &line)
    {
        open(m_plan.credit ? QStringLiteral("CreditNoteLine") : QStringLiteral("InvoiceLine"));
        cbc(QStringLiteral("ID"), QString::number(line.number));
        m_xml.writeStartElement(
            Cbc, m_plan.credit ? QStringLiteral("CreditedQuantity") : QStringLiteral("InvoicedQuantity"));
        m_xml.writeAttribute(QStringLiteral("unitCode"), line.unit);
        m_xml.writeCharacters(line.quantity.text());
        m_xml.writeEndElement();
        amount(QStringLiteral("LineExtensionAmount"), line.net);
        open(QStringLiteral("Item"));
        cbc(QStringLiteral("Name"), line.name);
        open(QStringLiteral("ClassifiedTaxCategory"));
        cbc(QStringLiteral("ID"), VatCategories::code(m_plan.category));
        if (m_plan.category != VatCategory::OutsideScope)
            cbc(QStringLiteral("Percent"), QString::number(m_plan.percent));
        open(QStringLiteral("TaxScheme"));
        cbc(QStringLiteral("ID"), QStringLiteral("VAT"));
        close();
        close();
        close();
        open(QStringLiteral("Price"));
        m_xml.writeStartElement(Cbc, QStringLiteral("PriceAmount"));
        m_xml.writeAttribute(QStringLiteral("currencyID"), QStringLiteral("EUR"));
        m_xml.writeCharacters(line.price.units() % (Amount::Scale / 100) == 0 ? money(cents(line.price))
                                                                              : line.price.text());
        m_xml.writeEndElement();
        close();
        close();
    }

    QXmlStreamWriter m_xml;
    const Invoice &m_invoice;
    const Plan &m_plan;
};

}  // namespace

namespace EInvoice {

QByteArray ublFile(const Invoice &invoice)
{
    const Plan planned = plan(invoice);
    QByteArray bytes;
    Ubl(bytes, invoice, planned).write();
    return bytes;
}

std::optional<QString> refusal(const Invoice &invoice)
{
    try {
        plan(invoice);
        return std::nullopt;
    } catch (const Failure &failure) {
        return failure.text();
    }
}

bool hasNone(const Invoice &invoice) { return kindRefusal(invoice).has_value(); }

QString fileBeside(const QString &pdf)
{
    QString name = pdf;
    if (name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        name.chop(4);
    return name + QStringLiteral(".xml");
}

}  // namespace EInvoice
