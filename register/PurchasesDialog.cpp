#include "register/PurchasesDialog.h"

#include "common/Failure.h"
#include "platform/Handlers.h"
#include "platform/Prompts.h"
#include "register/RegisterStore.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QList<std::pair<const char *, const char16_t *>> Types = {
    {"01", u"01 Фактура"},
    {"02", u"02 Дебитно известие"},
    {"03", u"03 Кредитно известие"},
    {"07", u"07 Митническа декларация"},
    {"09", u"09 Протокол (чл. 117) или друг документ"},
    {"11", u"11 Фактура – касова отчетност"},
    {"12", u"12 Дебитно известие – касова отчетност"},
    {"13", u"13 Кредитно известие – касова отчетност"},
    {"23", u"23 Кредитно известие по чл. 126б"},
};

QString creditShown(CreditRight credit)
{
    switch (credit) {
    case CreditRight::Partial:
        return QStringLiteral("частичен");
    case CreditRight::None:
        return QStringLiteral("без право");
    case CreditRight::Full:
        break;
    }
    return QStringLiteral("пълен");
}

} // namespace

PurchasesDialog::PurchasesDialog(RegisterStore &store, const QList<LedgerCompany> &companies, QWidget *parent)
    : QDialog(parent), m_store(store), m_companies(companies)
{
    setWindowTitle(QStringLiteral("Покупки"));
    companyBox = new QComboBox(this);
    for (const LedgerCompany &company : std::as_const(m_companies))
        companyBox->addItem(company.name);
    supplierEdit = new QLineEdit(this);
    vatNumberEdit = new QLineEdit(this);
    eikEdit = new QLineEdit(this);
    typeBox = new QComboBox(this);
    for (const auto &[code, text] : Types)
        typeBox->addItem(QString::fromUtf16(text), QString::fromLatin1(code));
    numberEdit = new QLineEdit(this);
    dateEdit = new QLineEdit(this);
    dateEdit->setPlaceholderText(QStringLiteral("5.1.2026"));
    descriptionEdit = new QLineEdit(this);
    currencyBox = new QComboBox(this);
    currencyBox->addItem(QStringLiteral("лв"), int(Currency::Leva));
    currencyBox->addItem(QStringLiteral("EUR"), int(Currency::Euro));
    taxBaseEdit = new QLineEdit(this);
    vatEdit = new QLineEdit(this);
    creditBox = new QComboBox(this);
    for (CreditRight credit : {CreditRight::Full, CreditRight::Partial, CreditRight::None})
        creditBox->addItem(creditShown(credit), int(credit));
    protocolBox = new QComboBox(this);
    protocolBox->addItem(QStringLiteral("не"), int(ProtocolKind::None));
    protocolBox->addItem(QStringLiteral("вътреобщностно придобиване (02-12)"), int(ProtocolKind::Acquisition));
    protocolBox->addItem(QStringLiteral("доставка по чл. 82, ал. 2-5 (02-26)"), int(ProtocolKind::ReverseCharge));
    grid = new QTableWidget(0, 9, this);
    grid->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("Вид"), QStringLiteral("Номер"),
                                     QStringLiteral("Доставчик"), QStringLiteral("ИН"), QStringLiteral("Основа"),
                                     QStringLiteral("ДДС"), QStringLiteral("Кредит"), QStringLiteral("Анулиран")});
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->setStretchLastSection(true);
    addButton = new QPushButton(QStringLiteral("Добави"), this);
    cancelButton = new QPushButton(QStringLiteral("Анулирай"), this);
    closeButton = new QPushButton(QStringLiteral("Затвори"), this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Фирма:"), companyBox);
    form->addRow(QStringLiteral("Доставчик:"), supplierEdit);
    form->addRow(QStringLiteral("ИН по ЗДДС:"), vatNumberEdit);
    form->addRow(QStringLiteral("ЕИК (нерегистриран):"), eikEdit);
    form->addRow(QStringLiteral("Вид:"), typeBox);
    form->addRow(QStringLiteral("Номер:"), numberEdit);
    form->addRow(QStringLiteral("Дата:"), dateEdit);
    form->addRow(QStringLiteral("Стока или услуга:"), descriptionEdit);
    form->addRow(QStringLiteral("Валута:"), currencyBox);
    form->addRow(QStringLiteral("Данъчна основа:"), taxBaseEdit);
    form->addRow(QStringLiteral("ДДС:"), vatEdit);
    form->addRow(QStringLiteral("Данъчен кредит:"), creditBox);
    form->addRow(QStringLiteral("Протокол по чл. 117:"), protocolBox);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(grid, 1);
    layout->addLayout(buttons);
    resize(820, 640);

    connect(companyBox, &QComboBox::currentIndexChanged, this, [this] { runGuarded([this] { refresh(); }); });
    onClick(addButton, [this] { addPurchase(); });
    onClick(cancelButton, [this] { cancelPurchase(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    refresh();
}

QString PurchasesDialog::companyKey() const
{
    const int index = companyBox->currentIndex();
    if (index < 0)
        throw Failure(QStringLiteral("Няма собствена фирма с издадени документи в регистъра."));
    return m_companies.at(index).key;
}

PurchaseTexts PurchasesDialog::texts() const
{
    PurchaseTexts texts;
    texts.supplierName = supplierEdit->text();
    texts.supplierVatNumber = vatNumberEdit->text();
    texts.supplierEik = eikEdit->text();
    texts.type = typeBox->currentData().toString();
    texts.number = numberEdit->text();
    texts.date = dateEdit->text();
    texts.description = descriptionEdit->text();
    texts.currency = Currency(currencyBox->currentData().toInt());
    texts.taxBase = taxBaseEdit->text();
    texts.vat = vatEdit->text();
    texts.credit = CreditRight(creditBox->currentData().toInt());
    texts.protocol = ProtocolKind(protocolBox->currentData().toInt());
    return texts;
}

void PurchasesDialog::refresh()
{
    grid->setRowCount(0);
    m_ids.clear();
    if (companyBox->currentIndex() < 0)
        return;
    for (const StoredPurchase &stored : m_store.purchasesOf(companyKey())) {
        const PurchaseDocument &document = stored.document;
        const int row = grid->rowCount();
        grid->insertRow(row);
        const QStringList cells = {document.date.toString(QStringLiteral("dd.MM.yyyy")), document.type, document.number,
                                   document.supplierName,
                                   document.supplierVatNumber.isEmpty() ? document.supplierEik : document.supplierVatNumber,
                                   centsText(document.taxBase), centsText(document.vat), creditShown(document.credit),
                                   document.cancelled ? stored.cancelReason : QString()};
        for (int column = 0; column < cells.size(); ++column)
            grid->setItem(row, column, new QTableWidgetItem(cells[column]));
        m_ids << stored.id;
    }
}

void PurchasesDialog::addPurchase()
{
    m_store.addPurchase(companyKey(), purchaseFromTexts(texts()));
    for (QLineEdit *edit : {numberEdit, descriptionEdit, taxBaseEdit, vatEdit})
        edit->clear();
    refresh();
}

void PurchasesDialog::cancelPurchase()
{
    const int row = grid->currentRow();
    if (row < 0 || row >= m_ids.size())
        throw Failure(QStringLiteral("Изберете покупката, която да бъде анулирана."));
    const std::optional<QString> reason =
        prompts().input(QStringLiteral("Анулирай"),
                        QStringLiteral("Причина за анулирането на покупка № %1:").arg(grid->item(row, 2)->text()),
                        QString());
    if (!reason)
        return;
    m_store.cancelPurchase(m_ids[row], *reason);
    refresh();
}
