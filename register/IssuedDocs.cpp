#include "register/IssuedDocs.h"
#include "register/BankStatement.h"

#include "common/Failure.h"
#include "einvoice/EInvoice.h"
#include "platform/BusyCursor.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/Printers.h"
#include "platform/ProgressDialog.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "print/Bitmap.h"
#include "print/PagePicture.h"
#include "print/Pr.h"
#include "print/PrintRules.h"
#include "register/ArchiveCheck.h"
#include "register/IssuedRules.h"
#include "register/PurchasesDialog.h"
#include "register/RegisterLedger.h"
#include "register/StatementPdf.h"
#include "ledger/LedgerFiles.h"

#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QPrinter>
#include <QSettings>
#include <QShowEvent>

TIssuedDocs *IssuedDocs = nullptr;

namespace {

QToolButton *button(QWidget *parent, const QString &caption, int left)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setText(caption);
    button->setGeometry(left, 8, 150, 24);
    return button;
}

QLineEdit *editor(QWidget *parent, const QString &caption, int left, int labelWidth, int width)
{
    auto *label = new QLabel(caption, parent);
    label->setGeometry(left, 44, labelWidth, 21);
    auto *edit = new QLineEdit(parent);
    edit->setGeometry(left + labelWidth, 44, width, 21);
    return edit;
}

// Where the register window's own settings are kept: the data folder.
QString windowSettings()
{
    return QDir(dataDirectory()).filePath(QStringLiteral("Register.ini"));
}

// The archive folder the print writes to: the installation folder's DB.
QString archiveFolder()
{
    return QDir(installFolder()).filePath(QStringLiteral("DB"));
}

} // namespace

TIssuedDocs::TIssuedDocs(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Издадени документи"));
    resize(1120, 680);
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    fillBackground(this, QColor(223, 223, 223));

    SpeedButton1 = button(this, QStringLiteral("Отпечатай копие"), 8);
    SpeedButton2 = button(this, QStringLiteral("Анулирай"), 166);
    SpeedButton3 = button(this, QStringLiteral("Отвори PDF"), 324);
    SpeedButton4 = button(this, QStringLiteral("Изпрати"), 482);
    SpeedButton5 = button(this, QStringLiteral("Дневник за продажби"), 640);
    SpeedButton6 = button(this, QStringLiteral("Експорт за счетоводителя"), 798);
    SpeedButton7 = button(this, QStringLiteral("Фактура от проформа"), 798);
    SpeedButton7->move(798, 42);
    SpeedButton8 = button(this, QStringLiteral("Запиши е-фактура"), 956);
    SpeedButton12 = button(this, QStringLiteral("Покупки"), 798);
    Edit1 = editor(this, QStringLiteral("Търсене (№, клиент, ЕИК):"), 8, 160, 260);
    Edit2 = editor(this, QStringLiteral("от дата:"), 440, 56, 90);
    Edit3 = editor(this, QStringLiteral("до дата:"), 600, 56, 90);
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems({QStringLiteral("Всички"), QStringLiteral("Неплатени"), QStringLiteral("Просрочени")});
    ComboBox1->setGeometry(8, 76, 150, 22);
    SpeedButton9 = button(this, QStringLiteral("Плащане"), 166);
    SpeedButton9->move(166, 76);
    SpeedButton10 = button(this, QStringLiteral("Плащания"), 324);
    SpeedButton10->move(324, 76);
    SpeedButton11 = button(this, QStringLiteral("Извлечение"), 482);
    SpeedButton11->move(482, 76);
    SpeedButton13 = button(this, QStringLiteral("От банка"), 956);
    SpeedButton13->move(956, 76);
    auto *termLabel = new QLabel(QStringLiteral("Срок за плащане без дата (дни):"), this);
    termLabel->setGeometry(640, 76, 200, 22);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setRange(0, 365);
    SpinEdit1->setValue(DefaultPaymentTermDays);
    SpinEdit1->setGeometry(840, 76, 60, 22);
    Edit2->setPlaceholderText(QStringLiteral("1.1.2026"));
    Edit3->setPlaceholderText(QStringLiteral("31.1.2026"));

    DBGrid1 = new QTableView(this);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->verticalHeader()->hide();
    // Fixed row heights: the view never measures the rows it does not show.
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(18);
    Chart1 = new MonthChart(this);
    Chart1->MonthClicked = [this](const QDate &month) {
        Edit2->setText(month.toString(QStringLiteral("d.M.yyyy")));
        Edit3->setText(month.addMonths(1).addDays(-1).toString(QStringLiteral("d.M.yyyy")));
    };
    Label4 = new QLabel(this);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });
    onClick(SpeedButton3, [this] { SpeedButton3Click(); });
    onClick(SpeedButton4, [this] { SpeedButton4Click(); });
    onClick(SpeedButton5, [this] { SpeedButton5Click(); });
    onClick(SpeedButton6, [this] { SpeedButton6Click(); });
    onClick(SpeedButton7, [this] { SpeedButton7Click(); });
    onClick(SpeedButton8, [this] { SpeedButton8Click(); });
    onClick(SpeedButton9, [this] { SpeedButton9Click(); });
    onClick(SpeedButton10, [this] { SpeedButton10Click(); });
    onClick(SpeedButton11, [this] { SpeedButton11Click(); });
    onClick(SpeedButton13, [this] { SpeedButton13Click(); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { runGuarded([this] { Edit1Change(); }); });
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { runGuarded([this] { SpinEdit1Change(); }); });
    onClick(SpeedButton12, [this] { SpeedButton12Click(); });
    for (QLineEdit *edit : {Edit1, Edit2, Edit3})
        connect(edit, &QLineEdit::textChanged, this, [this] { runGuarded([this] { Edit1Change(); }); });
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, [this] { runGuarded([this] { DBGrid1DblClick(); }); });
}

TIssuedDocs::~TIssuedDocs()
{
    DBGrid1->setModel(nullptr);
}

void TIssuedDocs::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        runGuarded([this] { FormShow(); });
}

void TIssuedDocs::FormShow()
{
    const int width = this->width();
    DBGrid1->setGeometry(8, 106, width - 16, height() - 106 - 58 - 130);
    Chart1->setGeometry(8, height() - 54 - 128, width - 16, 120);
    Label4->setGeometry(8, height() - 54, width - 174, 50);
    SpeedButton12->move(width - 158, height() - 54);
    if (!m_store) {
        BusyCursor busy;
        m_store = std::make_unique<RegisterStore>(dataDirectory());
        m_model = std::make_unique<RegisterModel>(*m_store);
        DBGrid1->setModel(m_model.get());
        DBGrid1->setColumnWidth(RegisterModel::Client, 260);
        const QSignalBlocker quiet(SpinEdit1);
        SpinEdit1->setValue(QSettings(windowSettings(), QSettings::IniFormat)
                                .value(QStringLiteral("PaymentTermDays"), DefaultPaymentTermDays)
                                .toInt());
        m_store->setPaymentTerm(SpinEdit1->value());
    }
    Edit1Change();
    showMonths();
}

RegisterQuery TIssuedDocs::query() const
{
    return {Edit1->text(), IssuedRules::pageDate(Edit2->text(), QDate()),
            IssuedRules::pageDate(Edit3->text(), QDate()), PaymentFilter(ComboBox1->currentIndex()), QDate()};
}

void TIssuedDocs::Edit1Change()
{
    if (!m_model)
        return;
    m_model->setQuery(query());
    Label4->setText(RegisterModel::sumsText(m_model->sums()));
    if (m_model->rowCount() > 0)
        DBGrid1->setCurrentIndex(m_model->index(0, 0));
}

RegisterRow TIssuedDocs::currentDocument() const
{
    const QModelIndexList selected = DBGrid1->selectionModel() ? DBGrid1->selectionModel()->selectedRows()
                                                               : QModelIndexList();
    const QModelIndex current = selected.isEmpty() ? DBGrid1->currentIndex() : selected.first();
    if (!m_model || !current.isValid())
        throw Failure(QStringLiteral("Изберете документ от списъка."));
    return m_model->rowAt(current.row());
}

QString TIssuedDocs::pdfCopy(const RegisterRow &row) const
{
    return ArchiveCheck::openable(row.pdfCopy, row.pdfDigest, ArchiveCheck::Kind::Pdf, archiveFolder(), row.number);
}

void TIssuedDocs::DBGrid1DblClick()
{
    const RegisterRow row = currentDocument();
    const QString pdf = pdfCopy(row);
    if (!shell().openFile(pdf))
        throw Failure(QStringLiteral("Няма програма, която да отвори „%1“.").arg(QDir::toNativeSeparators(pdf)));
}

void TIssuedDocs::SpeedButton4Click()
{
    const RegisterRow row = currentDocument();
    QStringList attachments{pdfCopy(row)};
    if (!row.einvoice.isEmpty())
        attachments << ArchiveCheck::openable(row.einvoice, row.einvoiceDigest, ArchiveCheck::Kind::EInvoice,
                                              archiveFolder(), row.number);
    const QString to = IssuedRules::clientEmail(dataDirectory(), row.client, row.clientEik);
    const QString subject = QStringLiteral("%1 № %2 от %3").arg(row.kind, row.number, row.date);
    if (shell().sendMail(to, subject, attachments))
        return;
    if (attachments.size() == 1)
        throw Failure(QStringLiteral("Пощенската програма не може да бъде отворена. PDF копието на документа е "
                                     "„%1“: приложете го към писмото сами.")
                          .arg(QDir::toNativeSeparators(attachments.first())));
    throw Failure(QStringLiteral("Пощенската програма не може да бъде отворена. PDF копието на документа е "
                                 "„%1“, е-фактурата е „%2“: приложете ги към писмото сами.")
                      .arg(QDir::toNativeSeparators(attachments.first()), QDir::toNativeSeparators(attachments.last())));
}

void TIssuedDocs::SpeedButton5Click()
{
    if (!m_store)
        return;
    if (m_ledger) {
        m_ledger->raise();
        m_ledger->activateWindow();
        return;
    }
    // The register is read once (in parts, showing the progress), so the ledger
    // gets every document from the month the typed period starts in, or all,
    // and the earlier ones cancelled since, which come back in the month of
    // their cancel.
    const QDate typed = query().from;
    const QDate from = typed.isValid() ? TaxPeriod::of(typed).firstDay() : QDate();
    QList<LedgerDocument> documents;
    {
        ProgressDialog progress(this);
        documents = ledgerDocumentsFrom(*m_store, from, progress);
    }
    m_ledger = new LedgerDialog(documents, this);
    m_ledger->setAttribute(Qt::WA_DeleteOnClose);
    m_ledger->setPurchaseSource([store = m_store.get()](const QString &company) {
        QList<PurchaseDocument> documents;
        for (const StoredPurchase &stored : store->purchasesOf(company))
            documents << stored.document;
        return documents;
    });
    if (typed.isValid()) {
        m_ledger->monthEdit->setMinimumDate(from);
        m_ledger->setPeriod(TaxPeriod::of(from));
    }
    m_ledger->open();
}

void TIssuedDocs::SpeedButton6Click()
{
    if (!m_model || m_model->rowCount() == 0)
        throw Failure(QStringLiteral("Няма показани документи за експорт."));
    QList<qint64> ids;
    ids.reserve(m_model->rowCount());
    for (int row = 0; row < m_model->rowCount(); ++row)
        ids << m_model->documentAt(row);
    QList<LedgerDocument> documents;
    {
        ProgressDialog progress(this);
        documents = ledgerDocuments(*m_store, ids, progress);
    }
    exportForAccountant(documents);
}

void TIssuedDocs::SpeedButton12Click()
{
    if (!m_store)
        return;
    QList<LedgerDocument> documents;
    {
        ProgressDialog progress(this);
        documents = ledgerDocuments(*m_store, m_store->find({}), progress);
    }
    auto *dialog = new PurchasesDialog(*m_store, companiesOf(documents), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void TIssuedDocs::SpeedButton7Click()
{
    const RegisterRow row = currentDocument();
    const Invoice document = m_store->invoice(row.id);
    if (document.kind != DocumentKind::Proforma)
        throw Failure(QStringLiteral("Документ № %1 е %2, не проформа фактура: изберете проформа фактура.")
                          .arg(row.number, row.kind.toLower()));
    if (InvoiceFromProforma)
        InvoiceFromProforma(document);
}

void TIssuedDocs::SpeedButton8Click()
{
    const RegisterRow row = currentDocument();
    const QByteArray file = EInvoice::ublFile(m_store->invoice(row.id));
    const QString folder = prompts().chooseFolder(QStringLiteral("Запиши е-фактура"));
    if (folder.isEmpty())
        return;
    // Named as beside the archive's PDF copy, so that the two go together.
    const QString name = row.pdfCopy.isEmpty() ? QStringLiteral("Inv_%1.xml").arg(row.number)
                                               : QFileInfo(EInvoice::fileBeside(row.pdfCopy)).fileName();
    const QString path = QDir(folder).filePath(name);
    writeFileReplacing(path, file);
    prompts().information(QStringLiteral("Е-фактурата на документ № %1 е записана в „%2“.")
                              .arg(row.number, QDir::toNativeSeparators(path)));
}

// Prints a copy of the document, stretched over the printer's page as the
// print command does, and counts it.
void TIssuedDocs::SpeedButton1Click()
{
    const RegisterRow row = currentDocument();
    std::unique_ptr<QPrinter> printer = defaultPrinter();
    if (!printer)
        throw Failure(NoPrinterMessage);
    // A copy is a page marked "Копие", drawn from the document as recorded.
    const DrawnCopy copy = RenderCopy(m_store->invoice(row.id), row);
    const QImage &picture = copy.picture;
    printer->setDocName(QFileInfo(row.archiveImage).completeBaseName());
    if (!prompts().print(*printer, 1, 1))
        return;
    const int left = PrintRules::leftMargin(printer->width());
    printStretched(*printer, picture, QRect(left, 0, printer->width() - left, printer->height()));
    m_store->countCopy(row.id, QDateTime::currentDateTime(), copy.files);
    reloadAt(row.id);
}

void TIssuedDocs::SpeedButton2Click()
{
    const RegisterRow row = currentDocument();
    if (!row.cancelledAt.isEmpty())
        throw Failure(IssuedRules::alreadyCancelledMessage(row.number, row.cancelledAt));
    const std::optional<QString> reason =
        prompts().input(QStringLiteral("Анулирай"),
                        QStringLiteral("Причина за анулирането на документ № %1 от %2:").arg(row.number, row.date),
                        QString());
    if (!reason)
        return;
    m_store->cancel(row.id, *reason);
    reloadAt(row.id);
}

void TIssuedDocs::showMonths()
{
    const QDate today = QDate::currentDate();
    Chart1->setMonths(m_model->months(today), currencyOfPeriod(today));
}

// Reads the register again and stays on the document.
void TIssuedDocs::reloadAt(qint64 id)
{
    m_model->reload();
    showMonths();
    Label4->setText(RegisterModel::sumsText(m_model->sums()));
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->documentAt(row) == id) {
            DBGrid1->selectRow(row);
            DBGrid1->setCurrentIndex(m_model->index(row, 0));
        }
    }
}

void TIssuedDocs::SpinEdit1Change()
{
    if (!m_store)
        return;
    m_store->setPaymentTerm(SpinEdit1->value());
    QSettings settings(windowSettings(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("PaymentTermDays"), SpinEdit1->value());
    Edit1Change();
}

void TIssuedDocs::SpeedButton9Click()
{
    const RegisterRow row = currentDocument();
    if (const auto refusal = paymentRefusal(row.number, row.documentKind == DocumentKind::Proforma,
                                            row.note == NoteKind::Credit, !row.cancelledAt.isEmpty(), row.total))
        throw Failure(*refusal);
    const Currency other = row.currency == Currency::Euro ? Currency::Leva : Currency::Euro;
    const Amount rest = row.balance.owed > Amount() ? row.balance.owed : Amount();
    PaymentForm form;
    form.title = QStringLiteral("Плащане");
    form.prompt = QStringLiteral("%1 № %2 от %3, %4\nСума %5 %6, остава за плащане %7 %6")
                      .arg(row.kind, row.number, row.date, row.client, RegisterModel::amountText(row.total),
                           selectorText(row.currency), RegisterModel::amountText(rest));
    form.amount = RegisterModel::amountText(rest);
    form.currencies = {selectorText(row.currency), selectorText(other)};
    form.ways = paymentWayTexts();
    form.date = QDate::currentDate();
    const std::optional<PaymentAnswer> answer = prompts().payment(form);
    if (!answer)
        return;
    m_store->recordPayment(paymentFromEntry(row.id, row.number, row.currency, answer->amount, answer->currency,
                                            answer->way, answer->date, answer->note));
    reloadAt(row.id);
}

void TIssuedDocs::SpeedButton13Click()
{
    const QString path = prompts().openFile(QStringLiteral("Банково извлечение"),
                                            QStringLiteral("Извлечение CAMT.053 (*.xml);;Всички файлове (*)"));
    if (path.isEmpty())
        return;
    const QList<BankCredit> credits = readCamt053File(path);
    const QList<CreditMatch> matches = creditsToRecord(*m_store, credits, QDate::currentDate());
    if (matches.isEmpty()) {
        prompts().information(QStringLiteral("В извлечението няма нови плащания по неплатени документи "
                                             "(постъпления: %1).").arg(credits.size()));
        return;
    }
    QStringList items;
    for (const CreditMatch &match : matches)
        items << creditMatchText(match);
    const std::optional<QList<int>> chosen = prompts().chooseItems(
        QStringLiteral("Плащания от банката"),
        QStringLiteral("Постъпления: %1, разпознати по номера на документа: %2. Отбележете плащанията за записване:")
            .arg(credits.size())
            .arg(matches.size()),
        items);
    if (!chosen)
        return;
    for (const int index : *chosen)
        m_store->recordPayment(bankPayment(matches.at(index)));
    reloadAt(chosen->isEmpty() ? 0 : matches.at(chosen->first()).document.id);
}

void TIssuedDocs::SpeedButton10Click()
{
    const RegisterRow row = currentDocument();
    const QList<Payment> payments = m_store->payments(row.id);
    QStringList lines{QStringLiteral("%1 № %2 от %3, сума %4 %5")
                          .arg(row.kind, row.number, row.date, RegisterModel::amountText(row.total),
                               selectorText(row.currency))};
    if (payments.isEmpty())
        lines << QStringLiteral("Няма въведени плащания.");
    for (const Payment &payment : payments) {
        QString line = QStringLiteral("%1  %2 %3  %4")
                           .arg(payment.date.toString(QStringLiteral("dd.MM.yyyy")),
                                RegisterModel::amountText(payment.amount), selectorText(row.currency),
                                paymentWayText(payment.way));
        if (payment.paidIn != row.currency)
            line += QStringLiteral(" (платени %1 %2)")
                        .arg(RegisterModel::amountText(payment.paidAmount), selectorText(payment.paidIn));
        if (!payment.note.isEmpty())
            line += QStringLiteral("  „%1“").arg(payment.note);
        line += QStringLiteral("  въведено от %1").arg(payment.enteredBy);
        lines << line;
    }
    if (row.balance.status != PaymentStatus::NotPayable)
        lines << QStringLiteral("%1; остава за плащане %2 %3")
                     .arg(RegisterModel::statusText(row.balance), RegisterModel::amountText(row.balance.owed),
                          selectorText(row.currency));
    prompts().information(lines.join(u'\n'));
}

void TIssuedDocs::SpeedButton11Click()
{
    const RegisterRow row = currentDocument();
    const ClientStatement statement = clientStatement(*m_store, row.id, QDate::currentDate());
    QString path = prompts().saveFile(QStringLiteral("Извлечение"), statementFileName(statement),
                                      QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    if (QFileInfo::exists(path) && !prompts().question(existingFileQuestion(path)))
        return;
    writeWholeFile(path, statementPdf(statement, CompanyLogo ? CompanyLogo(statement.company) : QImage()));
    if (!prompts().question(QStringLiteral("Извлечението е записано в „%1“. Да бъде ли изпратено на клиента?")
                                .arg(QDir::toNativeSeparators(path))))
        return;
    const QString to = IssuedRules::clientEmail(dataDirectory(), statement.client.name, statement.client.eik);
    if (!shell().sendMail(to, QStringLiteral("Извлечение към %1").arg(statement.date.toString(QStringLiteral("dd.MM.yyyy"))),
                          {path}))
        throw Failure(QStringLiteral("Пощенската програма не може да бъде отворена. Извлечението е "
                                     "„%1“: приложете го към писмото сами.")
                          .arg(QDir::toNativeSeparators(path)));
}
