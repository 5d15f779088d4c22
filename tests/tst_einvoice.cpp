// E-invoices: every issued euro document of the table below goes through the
// register (recorded, read back as recorded), is written as UBL and checked
// with the EN 16931 rules (the CEN/TC 434 XSLT, one Java VM for all files);
// the files carry the register's values, read back by XPath; a copy with a
// wrong total fails the rules; documents that have no e-invoice are refused
// with a message that names them.

#include "common/Failure.h"
#include "einvoice/EInvoice.h"
#include "register/RegisterStore.h"
#include "support/EInvoiceRules.h"
#include "support/SampleInvoice.h"

#include <QtTest>

namespace {

Amount amount(const QString &text) { return Amount::parseOrThrow(text); }

// Lines of the given values at the rate, with the totals the page counts:
// the base is the sum of the values to the cent, the VAT the rate of it.
void setLines(Invoice &invoice, const QList<std::pair<QString, QString>> &quantityAndPrice, int rate)
{
    invoice.lines.clear();
    std::int64_t base = 0;
    for (const auto &[quantity, price] : quantityAndPrice) {
        const auto value = std::int64_t(__int128(amount(quantity).units()) * amount(price).units() / Amount::Scale);
        invoice.lines << InvoiceLine{int(invoice.lines.size()) + 1,
                                     QStringLiteral("Стока № %1").arg(invoice.lines.size() + 1),
                                     QStringLiteral("бр."),
                                     amount(quantity),
                                     amount(price),
                                     Amount::fromUnits(value)};
        base += value;
    }
    const std::int64_t baseCents = (base + 50) / 100;
    const std::int64_t vatCents = (baseCents * rate + 50) / 100;
    invoice.totals = {Amount::fromUnits(baseCents * 100), QString::number(rate),
                      Amount::fromUnits(vatCents * 100), Amount::fromUnits((baseCents + vatCents) * 100)};
}

Invoice euroInvoice(const QString &number, NoteKind note = NoteKind::None)
{
    Invoice invoice = sampleInvoice(DocumentKind::Invoice, note, Currency::Euro, number);
    invoice.issueDate = QStringLiteral("8.2.2026 г.");
    invoice.texts.taxEventDate = QStringLiteral("6.2.2026 г.");
    invoice.texts.paymentDate = QStringLiteral("20.2.2026");
    return invoice;
}

// A document at 0 % on a basis.
Invoice zeroRated(const QString &number, const QString &basis, const QString &clientVat)
{
    Invoice invoice = euroInvoice(number);
    setLines(invoice,
             {{QStringLiteral("2"), QStringLiteral("150.25")}, {QStringLiteral("1"), QStringLiteral("9.99")}},
             0);
    invoice.texts.vatBasis = basis;
    invoice.client.vatNumber = clientVat;
    return invoice;
}

// An amount to the cent, the half away from zero, as the page rounds.
QString cents(Amount value)
{
    const qint64 units = value.units();
    const qint64 magnitude = (qAbs(units) + 50) / 100;
    return QStringLiteral("%1%2.%3")
        .arg(units < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString isoDate(const QString &pageDate)
{
    return QDate::fromString(pageDate.section(u' ', 0, 0), QStringLiteral("d.M.yyyy")).toString(Qt::ISODate);
}

// A grey field the user left as the form has it says nothing.
QString filled(const QString &text) { return text.contains(QStringLiteral("..")) ? QString() : text; }

// The VAT number as the file should carry it: with the country's letters.
QString withCountry(const QString &vat)
{
    if (vat.isEmpty())
        return vat;
    return vat.at(0).isLetter() ? vat : QStringLiteral("BG") + vat;
}

struct Exported {
    QString name;
    QString category;
    Invoice recorded;
    QString file;
};

const QString Seller = QStringLiteral("/*/cac:AccountingSupplierParty/cac:Party");
const QString Buyer = QStringLiteral("/*/cac:AccountingCustomerParty/cac:Party");
const QString Lines = QStringLiteral("/*/(cac:InvoiceLine|cac:CreditNoteLine)");

// What the file must say, field by field, of the recorded document.
QList<std::pair<QString, QString>> expectedFields(const Exported &document)
{
    const Invoice &invoice = document.recorded;
    const bool outside = document.category == u"O";
    const bool exempted = document.category != u"S" && document.category != u"Z";
    QStringList names, values;
    for (const InvoiceLine &line : invoice.lines) {
        names << line.description.simplified();
        values << cents(line.value);
    }
    const QString type = invoice.note.kind == NoteKind::Credit ? QStringLiteral("381")
        : invoice.note.kind == NoteKind::Debit                 ? QStringLiteral("383")
                                                               : QStringLiteral("380");
    return {
        {QStringLiteral("/*/cbc:ID"), invoice.number},
        {QStringLiteral("/*/cbc:IssueDate"), isoDate(invoice.issueDate)},
        {QStringLiteral("/*/(cbc:InvoiceTypeCode|cbc:CreditNoteTypeCode)"), type},
        {QStringLiteral("/*/cbc:DocumentCurrencyCode"), QStringLiteral("EUR")},
        {QStringLiteral("/*/cbc:BuyerReference"), invoice.number},
        {QStringLiteral("/*/cac:BillingReference/cac:InvoiceDocumentReference/cbc:ID"),
         invoice.note.invoiceNumber},
        {QStringLiteral("/*/cac:Delivery/cbc:ActualDeliveryDate"), isoDate(invoice.texts.taxEventDate)},
        {Seller + QStringLiteral("/cac:PartyLegalEntity/cbc:RegistrationName"),
         invoice.supplier.party.name.simplified()},
        {Seller + QStringLiteral("/cac:PartyLegalEntity/cbc:CompanyID"), invoice.supplier.party.eik},
        {Seller + QStringLiteral("/cac:PartyTaxScheme/cbc:CompanyID"),
         outside ? QString() : withCountry(invoice.supplier.party.vatNumber)},
        {Seller + QStringLiteral("/cbc:EndpointID/@schemeID"), QStringLiteral("9926")},
        {Seller + QStringLiteral("/cbc:EndpointID"), withCountry(invoice.supplier.party.vatNumber)},
        {Seller + QStringLiteral("/cac:PostalAddress/cbc:StreetName"),
         invoice.supplier.party.address.simplified()},
        {Buyer + QStringLiteral("/cac:PartyLegalEntity/cbc:RegistrationName"),
         invoice.client.name.simplified()},
        {Buyer + QStringLiteral("/cac:PartyLegalEntity/cbc:CompanyID"), invoice.client.eik},
        {Buyer + QStringLiteral("/cac:PartyTaxScheme/cbc:CompanyID"),
         outside ? QString() : withCountry(invoice.client.vatNumber)},
        {Buyer + QStringLiteral("/cac:PostalAddress/cbc:StreetName"), invoice.client.address.simplified()},
        {QStringLiteral("/*/cac:PaymentMeans/cac:PayeeFinancialAccount/cbc:ID"), invoice.payment.iban},
        {QStringLiteral(
             "/*/cac:PaymentMeans/cac:PayeeFinancialAccount/cac:FinancialInstitutionBranch/cbc:ID"),
         invoice.payment.bic},
        {QStringLiteral("/*/cac:PaymentTerms/cbc:Note"), filled(invoice.payment.terms)},
        // Without a term or a date on the page the payment is due at once.
        {QStringLiteral("/*/(cbc:DueDate|cac:PaymentMeans/cbc:PaymentDueDate)"),
         !isoDate(invoice.texts.paymentDate).isEmpty() ? isoDate(invoice.texts.paymentDate)
             : filled(invoice.payment.terms).isEmpty() ? isoDate(invoice.issueDate)
                                                       : QString()},
        {QStringLiteral("/*/cac:LegalMonetaryTotal/cbc:TaxExclusiveAmount"), cents(invoice.totals.taxBase)},
        {QStringLiteral("/*/cac:TaxTotal/cbc:TaxAmount"), cents(invoice.totals.vat)},
        {QStringLiteral("/*/cac:LegalMonetaryTotal/cbc:PayableAmount"), cents(invoice.totals.total)},
        {QStringLiteral("/*/cac:TaxTotal/cac:TaxSubtotal/cac:TaxCategory/cbc:ID"), document.category},
        {QStringLiteral("/*/cac:TaxTotal/cac:TaxSubtotal/cac:TaxCategory/cbc:Percent"),
         outside ? QString() : invoice.totals.rate},
        {QStringLiteral("/*/cac:TaxTotal/cac:TaxSubtotal/cac:TaxCategory/cbc:TaxExemptionReason"),
         exempted ? invoice.texts.vatBasis.simplified() : QString()},
        {Lines + QStringLiteral("/cac:Item/cbc:Name"), names.join(u'|')},
        {Lines + QStringLiteral("/cbc:LineExtensionAmount"), values.join(u'|')},
        {QStringLiteral("count(//*[not(*) and normalize-space() = ''])"), QStringLiteral("0")},
    };
}

}  // namespace

class tst_EInvoice : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<Exported> m_exported;
    QString m_broken;
    std::optional<QString> m_unavailable;
    QHash<QString, QList<EInvoiceRules::FailedRule>> m_failed;
    QHash<QString, QStringList> m_readBack;  // per document: the values of its expected fields, in order

    // The documents of every category the program makes, recorded as printed.
    QList<std::pair<Exported, Invoice>> table()
    {
        QList<std::pair<Exported, Invoice>> rows;
        const auto add = [&rows](const QString &name, const QString &category, const Invoice &invoice) {
            rows.append({Exported{name, category, {}, {}}, invoice});
        };
        Invoice standard = euroInvoice(QStringLiteral("0000000101"));
        add(QStringLiteral("S 20 %, lines rounded to the cent"), QStringLiteral("S"), standard);
        Invoice reduced = euroInvoice(QStringLiteral("0000000102"));
        setLines(reduced,
                 {{QStringLiteral("3"), QStringLiteral("12.40")},
                  {QStringLiteral("1.5"), QStringLiteral("7.333")}},
                 9);
        add(QStringLiteral("S 9 %"), QStringLiteral("S"), reduced);
        add(QStringLiteral("Z international transport"), QStringLiteral("Z"),
            zeroRated(QStringLiteral("0000000103"), QStringLiteral("чл. 30, ал. 1"),
                      QStringLiteral("123123123")));
        add(QStringLiteral("E exempt"), QStringLiteral("E"),
            zeroRated(QStringLiteral("0000000104"), QStringLiteral("чл. 44, т. 3"), QString()));
        add(QStringLiteral("E tour operator"), QStringLiteral("E"),
            zeroRated(QStringLiteral("0000000105"), QStringLiteral("чл. 86, ал. 1 ППЗДДС"), QString()));
        add(QStringLiteral("AE services in another member state"), QStringLiteral("AE"),
            zeroRated(QStringLiteral("0000000106"), QStringLiteral("чл. 22, ал. 2"),
                      QStringLiteral("DE123456789")));
        add(QStringLiteral("AE triangular operation"), QStringLiteral("AE"),
            zeroRated(QStringLiteral("0000000107"), QStringLiteral("чл. 28с(Е)(3) 77/388/ЕЕС"),
                      QStringLiteral("ATU12345678")));
        add(QStringLiteral("K intra-Community supply"), QStringLiteral("K"),
            zeroRated(QStringLiteral("0000000108"), QStringLiteral("чл. 53, ал. 1 ЗДДС"),
                      QStringLiteral("RO1234567")));
        Invoice exported =
            zeroRated(QStringLiteral("0000000109"), QStringLiteral("чл. 28, ал. 1"), QString());
        exported.client.eik.clear();
        add(QStringLiteral("G export, client without ЕИК"), QStringLiteral("G"), exported);
        add(QStringLiteral("O seller outside the VAT register"), QStringLiteral("O"),
            zeroRated(QStringLiteral("0000000110"), QStringLiteral("чл. 113, ал. 9"), QString()));

        Invoice full = euroInvoice(QStringLiteral("0000000111"));
        QList<std::pair<QString, QString>> many;
        for (int i = 1; i <= 25; ++i)
            many.append({QString::number(i) + QStringLiteral(".5"),
                         QStringLiteral("1.%1").arg(i * 37 % 1000, 3, 10, QLatin1Char('0'))});
        setLines(full, many, 20);
        add(QStringLiteral("25 lines"), QStringLiteral("S"), full);

        Invoice credit = euroInvoice(QStringLiteral("0000000112"), NoteKind::Credit);
        credit.note.invoiceNumber = standard.number;
        credit.note.invoiceDate = standard.issueDate;
        add(QStringLiteral("credit note against an invoice"), QStringLiteral("S"), credit);
        Invoice debit = euroInvoice(QStringLiteral("0000000113"), NoteKind::Debit);
        debit.note.invoiceNumber = standard.number;
        add(QStringLiteral("debit note"), QStringLiteral("S"), debit);

        Invoice largest = euroInvoice(QStringLiteral("0000000114"));
        // The page shows at most 15 significant digits: a total of 999 999 999 999.98.
        setLines(largest, {{QStringLiteral("1"), QStringLiteral("833333333333.32")}}, 20);
        add(QStringLiteral("largest amounts"), QStringLiteral("S"), largest);

        Invoice names = euroInvoice(QStringLiteral("0000000115"));
        names.supplier.party.name = QStringLiteral("„Тест & Син“ ООД");
        names.client.name = QStringLiteral("ЕТ 'Ана' & <Бор> \"Ко\"");
        names.client.address = QStringLiteral("София & Перник, ул. „Опълченска“ 5 <вход А>");
        names.lines[0].description = QStringLiteral("Услуга „А & Б“\n<втори> ред");
        add(QStringLiteral("Cyrillic names with quotes and ampersands"), QStringLiteral("S"), names);

        Invoice private_ = euroInvoice(QStringLiteral("0000000116"));
        private_.client.eik.clear();
        private_.client.vatNumber.clear();
        private_.client.name = QStringLiteral("Петър Петров");
        add(QStringLiteral("client without ЕИК"), QStringLiteral("S"), private_);

        Invoice unfilled = euroInvoice(QStringLiteral("0000000117"));
        unfilled.payment.terms = QString(40, u'.');
        unfilled.texts.paymentDate = QStringLiteral("дд.мм.гггг");
        unfilled.texts.taxEventDate = QStringLiteral("дд.мм.гггг");
        add(QStringLiteral("grey fields left unfilled"), QStringLiteral("S"), unfilled);
        return rows;
    }

private Q_SLOTS:
    // Records the table in a register, writes each document's file from its
    // recorded value and a copy of one with a wrong total, then runs the
    // rules and the read-backs over all of them at once.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString data = m_dir.filePath(QStringLiteral("DB"));
        const QString files = m_dir.filePath(QStringLiteral("files"));
        QVERIFY(QDir().mkpath(data) && QDir().mkpath(files));
        QVERIFY(makeOwnCompany(data));
        RegisterStore store(data);
        for (auto [document, invoice] : table()) {
            store.recordPrint(invoice, {}, PrintMode::Original);
            const auto id =
                store.documentId(companyKey(invoice.supplier), NumberSeries::Invoice, invoice.number);
            QVERIFY(id);
            document.recorded = store.invoice(*id);
            document.file = QDir(files).filePath(document.recorded.number + QStringLiteral(".xml"));
            QFile file(document.file);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(EInvoice::ublFile(document.recorded));
            m_exported << document;
        }
        // A wrong total written into a copy of the first: the rules must see it.
        QFile first(m_exported.first().file);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QByteArray broken = first.readAll();
        const QByteArray payable = "<cbc:PayableAmount currencyID=\"EUR\">"
            + cents(m_exported.first().recorded.totals.total).toUtf8();
        QVERIFY(broken.contains(payable));
        broken.replace(payable, "<cbc:PayableAmount currencyID=\"EUR\">1.00");
        m_broken = QDir(files).filePath(QStringLiteral("broken.xml"));
        QFile copy(m_broken);
        QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(broken) == broken.size());
        copy.close();

        m_unavailable = EInvoiceRules::unavailable();
        if (m_unavailable)
            return;
        QString log;
        const auto failed = EInvoiceRules::validate(files, &log);
        QVERIFY2(failed, qPrintable(log));
        m_failed = *failed;
        QList<EInvoiceRules::Probe> probes;
        for (const Exported &document : std::as_const(m_exported)) {
            for (const auto &[xpath, expected] : expectedFields(document))
                probes << EInvoiceRules::Probe{document.file, xpath};
        }
        const auto values = EInvoiceRules::evaluate(probes, &log);
        QVERIFY2(values, qPrintable(log));
        qsizetype at = 0;
        for (const Exported &document : std::as_const(m_exported)) {
            const qsizetype count = expectedFields(document).size();
            m_readBack.insert(document.file, values->mid(at, count));
            at += count;
        }
    }

    void passesTheRules_data()
    {
        QTest::addColumn<int>("index");
        for (qsizetype i = 0; i < m_exported.size(); ++i)
            QTest::newRow(qPrintable(m_exported[i].name)) << int(i);
    }
    void passesTheRules()
    {
        QFETCH(int, index);
        if (m_unavailable)
            QSKIP(qPrintable(*m_unavailable));
        const Exported &document = m_exported[index];
        const QString name = QFileInfo(document.file).fileName();
        QVERIFY2(m_failed.contains(name), "the rules gave no report of the file");
        QStringList fatal;
        for (const auto &rule : m_failed.value(name)) {
            if (rule.flag == u"fatal")
                fatal << rule.id + u' ' + rule.text;
            else
                qInfo("%s [%s] %s", qPrintable(rule.id), qPrintable(rule.flag), qPrintable(rule.text));
        }
        QVERIFY2(fatal.isEmpty(), qPrintable(fatal.join(u'\n')));
    }

    void carriesTheRegistersValues_data() { passesTheRules_data(); }
    void carriesTheRegistersValues()
    {
        QFETCH(int, index);
        if (m_unavailable)
            QSKIP(qPrintable(*m_unavailable));
        const Exported &document = m_exported[index];
        const auto fields = expectedFields(document);
        const QStringList values = m_readBack.value(document.file);
        QCOMPARE(values.size(), fields.size());
        for (qsizetype i = 0; i < fields.size(); ++i) {
            QVERIFY2(values[i] == fields[i].second,
                     qPrintable(QStringLiteral("%1: %2 instead of %3")
                                    .arg(fields[i].first, values[i], fields[i].second)));
        }
    }

    void wrongTotalFailsTheRules()
    {
        if (m_unavailable)
            QSKIP(qPrintable(*m_unavailable));
        QStringList fatal;
        for (const auto &rule : m_failed.value(QFileInfo(m_broken).fileName())) {
            if (rule.flag == u"fatal")
                fatal << rule.id;
        }
        QVERIFY2(fatal.contains(QStringLiteral("BR-CO-16")), qPrintable(fatal.join(u' ')));
    }

    void refused_data()
    {
        QTest::addColumn<Invoice>("invoice");
        QTest::addColumn<QStringList>("named");
        Invoice leva = sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Leva,
                                     QStringLiteral("0000000201"));
        QTest::newRow("leva") << leva
                              << QStringList{QStringLiteral("№ 0000000201"), QStringLiteral("в лева")};
        Invoice proforma = sampleInvoice(DocumentKind::Proforma, NoteKind::None, Currency::Euro,
                                         QStringLiteral("0000000202"));
        QTest::newRow("proforma") << proforma
                                  << QStringList{QStringLiteral("№ 0000000202"), QStringLiteral("проформа")};
        Invoice noBuyerVat = zeroRated(QStringLiteral("0000000203"), QStringLiteral("чл. 53"), QString());
        QTest::newRow("intra-Community supply without the client's VAT number")
            << noBuyerVat
            << QStringList{QStringLiteral("№ 0000000203"),
                           QStringLiteral("ИН по ЗДДС на получателя „Клиент ООД“"),
                           QStringLiteral("вътреобщностна доставка")};
        Invoice noSellerVat = euroInvoice(QStringLiteral("0000000204"));
        noSellerVat.supplier.party.vatNumber.clear();
        QTest::newRow("standard rate without the seller's VAT number")
            << noSellerVat
            << QStringList{QStringLiteral("№ 0000000204"), QStringLiteral("ИН по ЗДДС на доставчика")};
        Invoice noBasis = zeroRated(QStringLiteral("0000000205"), QStringLiteral("........"), QString());
        QTest::newRow("zero rate without a basis")
            << noBasis << QStringList{QStringLiteral("№ 0000000205"), QStringLiteral("липсва основание")};
        Invoice unknownBasis =
            zeroRated(QStringLiteral("0000000206"), QStringLiteral("по договор"), QString());
        QTest::newRow("a basis that names no article")
            << unknownBasis << QStringList{QStringLiteral("№ 0000000206"), QStringLiteral("„по договор“")};
        Invoice credit = euroInvoice(QStringLiteral("0000000207"), NoteKind::Credit);
        credit.note.invoiceNumber.clear();
        QTest::newRow("credit note without its invoice")
            << credit << QStringList{QStringLiteral("№ 0000000207"), QStringLiteral("номерът на фактурата")};
        Invoice wrongVat = euroInvoice(QStringLiteral("0000000208"));
        wrongVat.totals.vat = amount(QStringLiteral("5.00"));
        wrongVat.totals.total = wrongVat.totals.taxBase + wrongVat.totals.vat;
        QTest::newRow("VAT that is not the rate of the base")
            << wrongVat << QStringList{QStringLiteral("№ 0000000208"), QStringLiteral("ДДС 5.00 не е 20 %")};
    }
    void refused()
    {
        QFETCH(Invoice, invoice);
        QFETCH(QStringList, named);
        const auto refusal = EInvoice::refusal(invoice);
        QVERIFY(refusal);
        for (const QString &text : named)
            QVERIFY2(refusal->contains(text), qPrintable(*refusal));
        try {
            EInvoice::ublFile(invoice);
            QFAIL("a refused document was written");
        } catch (const Failure &failure) {
            QCOMPARE(failure.text(), *refusal);
        }
    }
};

QTEST_GUILESS_MAIN(tst_EInvoice)
#include "tst_einvoice.moc"
