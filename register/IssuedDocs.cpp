#include "register/IssuedDocs.h"

#include "common/Failure.h"
#include "platform/BusyCursor.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/Printers.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "print/PagePicture.h"
#include "print/Pr.h"
#include "print/PrintRules.h"
#include "register/ArchiveCheck.h"
#include "register/IssuedRules.h"
#include "register/PurchasesDialog.h"
#include "register/RegisterLedger.h"

#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QPrinter>
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

// The archive folder the print writes to: the installation folder's DB.
QString archiveFolder()
{
    return QDir(installFolder()).filePath(QStringLiteral("DB"));
}

} // namespace

TIssuedDocs::TIssuedDocs(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Издадени документи"));
    resize(960, 560);
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
    SpeedButton8 = button(this, QStringLiteral("Покупки"), 798);
    Edit1 = editor(this, QStringLiteral("Търсене (№, клиент, ЕИК):"), 8, 160, 260);
    Edit2 = editor(this, QStringLiteral("от дата:"), 440, 56, 90);
    Edit3 = editor(this, QStringLiteral("до дата:"), 600, 56, 90);
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
    DBGrid1->setGeometry(8, 74, width - 16, height() - 74 - 58);
    Label4->setGeometry(8, height() - 54, width - 174, 50);
    SpeedButton8->move(width - 158, height() - 54);
    if (!m_store) {
        BusyCursor busy;
        m_store = std::make_unique<RegisterStore>(dataDirectory());
        m_model = std::make_unique<RegisterModel>(*m_store);
        DBGrid1->setModel(m_model.get());
        DBGrid1->setColumnWidth(RegisterModel::Client, 260);
    }
    Edit1Change();
}

RegisterQuery TIssuedDocs::query() const
{
    return {Edit1->text(), IssuedRules::pageDate(Edit2->text(), QDate()),
            IssuedRules::pageDate(Edit3->text(), QDate())};
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
    const QString attachment = pdfCopy(row);
    const QString to = IssuedRules::clientEmail(dataDirectory(), row.client, row.clientEik);
    const QString subject = QStringLiteral("%1 № %2 от %3").arg(row.kind, row.number, row.date);
    if (!shell().sendMail(to, subject, attachment))
        throw Failure(QStringLiteral("Пощенската програма не може да бъде отворена. PDF копието на документа е "
                                     "„%1“: приложете го към писмото сами.")
                          .arg(QDir::toNativeSeparators(attachment)));
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
    // The register is read in one pass (a query per table), so the ledger
    // gets every document from the month the typed period starts in, or all,
    // and the earlier ones cancelled since, which come back in the month of
    // their cancel.
    const QDate typed = query().from;
    const QDate from = typed.isValid() ? TaxPeriod::of(typed).firstDay() : QDate();
    QList<qint64> ids = m_store->find({QString(), from, QDate()});
    if (from.isValid())
        ids += m_store->cancelledBefore(from);
    m_ledger = new LedgerDialog(ledgerDocuments(*m_store, ids), this);
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
    exportForAccountant(ledgerDocuments(*m_store, ids));
}

void TIssuedDocs::SpeedButton8Click()
{
    if (!m_store)
        return;
    auto *dialog = new PurchasesDialog(*m_store, companiesOf(ledgerDocuments(*m_store, m_store->find({}))), this);
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

// Reads the register again and stays on the document.
void TIssuedDocs::reloadAt(qint64 id)
{
    m_model->reload();
    Label4->setText(RegisterModel::sumsText(m_model->sums()));
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->documentAt(row) == id) {
            DBGrid1->selectRow(row);
            DBGrid1->setCurrentIndex(m_model->index(row, 0));
        }
    }
}
