#include "ledger/LedgerDialog.h"

#include "common/Failure.h"
#include "ledger/AccountantExport.h"
#include "ledger/LedgerFiles.h"
#include "ledger/Vies.h"
#include "platform/Handlers.h"
#include "platform/ProgressDialog.h"
#include "platform/Prompts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString ChooseCell = QStringLiteral("— изберете —");

// A month with purchases needs the purchase ledger, which the accountant
// keeps; so do the protocols under чл. 117, which are in both ledgers.
QString noPurchasesQuestion(const SalesLedger &ledger)
{
    QString question =
        QStringLiteral("Справка-декларацията (DEKLAR.TXT) съдържа и покупките, а програмата не води дневник за покупки. "
                       "Програмата я записва само за месец без покупки: без получени фактури и известия и без "
                       "протоколи по чл. 117 ЗДДС. Месец %1 без покупки ли е?")
            .arg(ledger.period.text());
    const auto sum = [&ledger](LedgerCell cell) { return ledger.sums[std::size_t(cell)]; };
    if (sum(LedgerCell::ZeroIntraCommunity) != Amount() || sum(LedgerCell::ServicesOtherState) != Amount()
        || sum(LedgerCell::Triangular) != Amount())
        question += QStringLiteral("\nМесец %1 има доставки в клетки 02-15, 02-17 или 02-25: за него се подава и "
                                   "VIES-декларация, която програмата записва във VIES.TXT.")
                        .arg(ledger.period.text());
    return question;
}

} // namespace

LedgerDialog::LedgerDialog(const QList<LedgerDocument> &documents, QWidget *parent,
                           const QList<LedgerCompany> &companies)
    : QDialog(parent), m_documents(documents),
      m_companies(companies.isEmpty() ? companiesOf(documents) : companies),
      m_today(QDate::currentDate())
{
    setWindowTitle(QStringLiteral("Дневник за продажби"));
    companyBox = new QComboBox(this);
    for (const LedgerCompany &company : std::as_const(m_companies))
        companyBox->addItem(company.name);
    monthEdit = new QDateEdit(this);
    monthEdit->setDisplayFormat(QStringLiteral("MM.yyyy"));
    // The month one files for is usually the one just ended.
    monthEdit->setDate(m_today.addMonths(-1));
    filerEdit = new QLineEdit(this);
    filerEdit->setMaxLength(10);
    coefficientEdit = new QLineEdit(this);
    coefficientEdit->setPlaceholderText(QStringLiteral("0.00"));
    summaryView = new QPlainTextEdit(this);
    summaryView->setReadOnly(true);
    placementGrid = new QTableWidget(0, 3, this);
    placementGrid->setHorizontalHeaderLabels(
        {QStringLiteral("Документ"), QStringLiteral("Основание"), QStringLiteral("Клетка")});
    placementGrid->horizontalHeader()->setStretchLastSection(true);
    writeButton = new QPushButton(QStringLiteral("Запиши файловете"), this);
    closeButton = new QPushButton(QStringLiteral("Затвори"), this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Фирма:"), companyBox);
    form->addRow(QStringLiteral("Месец:"), monthEdit);
    form->addRow(QStringLiteral("ЕГН на подаващия:"), filerEdit);
    form->addRow(QStringLiteral("Коефициент по чл. 73, ал. 5:"), coefficientEdit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(writeButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(summaryView, 3);
    layout->addWidget(new QLabel(QStringLiteral("Документи без място в дневника:"), this));
    layout->addWidget(placementGrid, 1);
    layout->addLayout(buttons);
    resize(760, 560);

    const auto guardedRefresh = [this] { runGuarded([this] { refresh(); }); };
    // Numbers are a company's own: another company's documents start unplaced.
    connect(companyBox, &QComboBox::currentIndexChanged, this, [this, guardedRefresh] {
        m_choices.clear();
        guardedRefresh();
    });
    connect(monthEdit, &QDateEdit::dateChanged, this, guardedRefresh);
    connect(coefficientEdit, &QLineEdit::editingFinished, this, guardedRefresh);
    onClick(writeButton, [this] { writeFiles(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    refresh();
}

void LedgerDialog::setToday(QDate today)
{
    m_today = today;
    refresh();
}

void LedgerDialog::setPeriod(TaxPeriod period) { monthEdit->setDate(period.firstDay()); }

void LedgerDialog::setPurchaseSource(PurchaseSource source)
{
    m_purchases = std::move(source);
    refresh();
}

LedgerCompany LedgerDialog::currentCompany() const
{
    const int index = companyBox->currentIndex();
    LedgerCompany company = index >= 0 ? m_companies.at(index) : LedgerCompany{};
    company.filerId = filerEdit->text();
    return company;
}

QList<PurchaseDocument> LedgerDialog::purchases() const
{
    return m_purchases && companyBox->currentIndex() >= 0 ? m_purchases(currentCompany().key) : QList<PurchaseDocument>{};
}

SalesLedger LedgerDialog::ledger() const
{
    const TaxPeriod period = TaxPeriod::of(monthEdit->date());
    return withProtocols(buildSalesLedger(m_documents, currentCompany(), period, m_choices), purchases());
}

PurchaseLedger LedgerDialog::purchaseLedger() const
{
    const QString typed = coefficientEdit->text().trimmed().replace(u',', u'.');
    const auto coefficient = typed.isEmpty() ? std::optional<Amount>(Amount()) : Amount::parse(typed);
    if (!coefficient)
        throw Failure(QStringLiteral("Коефициентът по чл. 73, ал. 5 „%1“ не е число между 0 и 1.").arg(typed));
    return buildPurchaseLedger(purchases(), currentCompany(), TaxPeriod::of(monthEdit->date()), *coefficient);
}

void LedgerDialog::refresh()
{
    fillPlacementGrid(ledger());
    showSummary();
}

void LedgerDialog::showSummary()
{
    const SalesLedger current = ledger();
    const LedgerChecks checks = checkLedger(current, m_today);
    QString text = ledgerSummary(current);
    QStringList blocking = checks.blocking;
    if (m_purchases) {
        const PurchaseLedger bought = purchaseLedger();
        text += u'\n' + purchaseSummary(bought, current);
        blocking += checkPurchases(bought);
    }
    blocking += viesOf(current).problems;
    if (!blocking.isEmpty() || !checks.warnings.isEmpty())
        text += QStringLiteral("\n\n") + (blocking + checks.warnings).join(u'\n');
    summaryView->setPlainText(text);
}

void LedgerDialog::fillPlacementGrid(const SalesLedger &ledger)
{
    // Rows stay for documents the user already placed, so a choice can be changed.
    QList<LedgerIssue> rows = ledger.unplaceable;
    for (const LedgerRecord &record : ledger.records) {
        if (m_choices.contains(record.number))
            rows.append({record.number, record.date, QString()});
    }
    QHash<QString, QString> bases;
    for (const LedgerDocument &document : std::as_const(m_documents))
        bases.insert(document.invoice.number, document.invoice.texts.vatBasis.simplified());

    const QSignalBlocker blocker(placementGrid);
    placementGrid->setRowCount(0);
    for (const LedgerIssue &issue : rows) {
        const int row = placementGrid->rowCount();
        placementGrid->insertRow(row);
        auto *number = new QTableWidgetItem(
            QStringLiteral("%1 от %2").arg(issue.number, issue.date.toString(QStringLiteral("dd.MM.yyyy"))));
        placementGrid->setItem(row, 0, number);
        placementGrid->setItem(row, 1, new QTableWidgetItem(bases.value(issue.number)));
        auto *box = new QComboBox;
        box->addItem(ChooseCell, -1);
        for (LedgerCell cell : ZeroRateCells)
            box->addItem(zeroRateCellName(cell), int(cell));
        if (m_choices.contains(issue.number))
            box->setCurrentIndex(box->findData(int(m_choices.value(issue.number))));
        // Only the summary follows a choice: rebuilding the grid here would
        // delete the box while it is still sending.
        connect(box, &QComboBox::currentIndexChanged, this, [this, box, number = issue.number] {
            runGuarded([&] {
                if (box->currentIndex() > 0)
                    m_choices.insert(number, LedgerCell(box->currentData().toInt()));
                else
                    m_choices.remove(number);
                showSummary();
            });
        });
        placementGrid->setCellWidget(row, 2, box);
    }
}

bool LedgerDialog::mayWrite(const QString &path)
{
    return !QFileInfo::exists(path) || prompts().question(existingFileQuestion(path));
}

void LedgerDialog::writeFiles()
{
    const SalesLedger current = ledger();
    const PurchaseLedger bought = purchaseLedger();
    const LedgerChecks checks = checkLedger(current, m_today);
    const ViesDeclaration vies = viesOf(current);
    const QStringList blocking = checks.blocking + checkPurchases(bought) + vies.problems;
    if (!blocking.isEmpty())
        throw Failure(blocking.join(u'\n'));
    if (!checks.warnings.isEmpty()
        && !prompts().question(checks.warnings.join(u'\n') + QStringLiteral("\nДа бъдат ли записани файловете?")))
        return;
    // With purchases entered, the program keeps the purchase ledger and
    // files the whole return; without, the user says whether there were any.
    const bool wholeReturn = !bought.records.isEmpty() || prompts().question(noPurchasesQuestion(current));
    const QString returnIsAccountants =
        QStringLiteral("Справка-декларацията за %1 изготвя счетоводителят заедно с дневника за покупки.")
            .arg(current.period.text());
    if (wholeReturn) {
        if (const QString problem = filerProblem(current.company); !problem.isEmpty())
            throw Failure(problem);
        if (!bought.records.isEmpty()
            && !prompts().question(ledgerSummary(current) + u'\n' + purchaseSummary(bought, current)
                                   + QStringLiteral("\nДа бъдат ли записани дневниците и справка-декларацията?")))
            return;
    } else if (current.records.isEmpty()) {
        prompts().information(QStringLiteral("Дневникът за продажби за %1 е празен и не се записва. ")
                                  .arg(current.period.text())
                              + returnIsAccountants);
        return;
    }
    const QString folder = prompts().chooseFolder(LedgerFolderTitle);
    if (folder.isEmpty())
        return;

    // A return is filed with both ledgers, a ledger without documents as a
    // file without records.
    QList<std::pair<QString, QByteArray>> files;
    if (!current.records.isEmpty() || wholeReturn)
        files.append({QDir(folder).filePath(QLatin1String(SalesLedgerFileName)), salesLedgerFile(current)});
    if (wholeReturn) {
        files.append({QDir(folder).filePath(QLatin1String(PurchaseLedgerFileName)), purchaseLedgerFile(bought)});
        files.append({QDir(folder).filePath(QLatin1String(VatReturnFileName)), vatReturnFile(current, bought)});
    }
    if (needsVies(current))
        files.append({QDir(folder).filePath(QLatin1String(ViesFileName)), viesFile(vies)});
    for (const auto &file : std::as_const(files)) {
        if (!mayWrite(file.first))
            return;
    }
    QStringList written;
    {
        // Each file is written whole; not stopped between them, so that the
        // folder never holds a ledger without its return.
        ProgressDialog progress(this);
        ProgressStep step(progress, WritingLedgersText, files.size());
        for (const auto &[path, bytes] : std::as_const(files)) {
            writeWholeFile(path, bytes);
            written << QDir::toNativeSeparators(path);
            step.advance(written.size());
        }
    }
    QString done = QStringLiteral("Записани:\n") + written.join(u'\n');
    if (!wholeReturn)
        done += u'\n' + returnIsAccountants;
    prompts().information(done);
}

void exportForAccountant(const QList<LedgerDocument> &documents)
{
    const bool withLines = prompts().question(ExportLinesQuestion);
    QString path = prompts().saveFile(QStringLiteral("Експорт за счетоводителя"), QStringLiteral("документи.csv"),
                                      QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    if (QFileInfo::exists(path) && !prompts().question(existingFileQuestion(path)))
        return;
    writeWholeFile(path, accountantCsv(documents, withLines));
    prompts().information(QStringLiteral("Записан: %1").arg(QDir::toNativeSeparators(path)));
}
