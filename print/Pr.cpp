#include "print/Pr.h"

#include "common/Failure.h"
#include "document/Document.h"
#include "document/PagePieces.h"
#include "einvoice/EInvoice.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/Printers.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "print/ArchiveFiles.h"
#include "print/PagePicture.h"
#include "print/PrintRules.h"

#include <QDir>
#include <QFileInfo>
#include <QShowEvent>
#include <QPixmap>
#include <QPrinter>

TPrintDlgOru *PrintDlgOru = nullptr;
bool NumberRecorded = false;

namespace {

QToolButton *printButton(QWidget *parent, const QString &caption, int top)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFont(pixelFont(QStringLiteral("Arial"), 11));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::black);
    button->setPalette(palette);
    button->setText(caption);
    button->setIcon(printerPicture());
    button->setIconSize(QSize(16, 16));
    button->setGeometry(7, top, 210, 76);
    return button;
}

} // namespace

TPrintDlgOru::TPrintDlgOru(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Принтер"));
    setFixedSize(224, 194);
    fillBackground(this, QColor(223, 223, 223));
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));

    SpeedButton1 = printButton(this, QStringLiteral("Отпечатай ОРИГИНАЛ на документа"), 5);
    SpeedButton2 = printButton(this, QStringLiteral("Отпечатай КОПИЕ на документа"), 85);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    ComboBox1->addItems({QStringLiteral("8 бита цвят"), QStringLiteral("24 бита цвят"),
                         QStringLiteral("32 бита цвят")});
    ComboBox1->setEditText(QStringLiteral("8 бита цвят"));
    ComboBox1->setGeometry(8, 168, 209, 21);

    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });
}

void TPrintDlgOru::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        runGuarded([this] { FormShow(); });
}

void TPrintDlgOru::FormShow()
{
    const QRect document = Doc->frameGeometry();
    move(document.left() + document.width() - 400, document.top() + 40);
}

void TPrintDlgOru::SpeedButton1Click()
{
    PrintDocument(PrintRules::Original);
    NumberRecorded = true;
}

void TPrintDlgOru::SpeedButton2Click()
{
    PrintDocument(PrintRules::Copy);
    NumberRecorded = true;
}

void TPrintDlgOru::PrintDocument(const QString &mode)
{
    // What cannot be issued is refused before anything is captured, written
    // or recorded.
    Invoice invoice = m_links.invoice();
    invoice.number = PrintRules::recordedNumber(invoice.number);
    if (const auto refusal = PrintRules::emptyDocumentRefusal(invoice.client.name, Doc->StringGrid2->rowCount() - 1))
        throw Failure(*refusal);
    // One the register holds already is printed again as it was recorded.
    if (const auto refusal = PrintRules::negativeDocumentRefusal(invoice);
        refusal && !(m_links.recorded && m_links.recorded(invoice)))
        throw Failure(*refusal);

    for (QLabel *field : Doc->greyFields())
        fillBackground(field, Qt::white);

    std::unique_ptr<QPrinter> printer = defaultPrinter();
    if (!printer)
        throw Failure(NoPrinterMessage);

    Doc->NO->setText(invoice.number);
    // A document the register holds already is printed again as what it is: a copy.
    const bool again = mode == PrintRules::Original && m_links.recorded && m_links.recorded(invoice);
    PrintedPage page = capture(invoice, again ? PrintRules::Copy : mode);
    // Recorded before the files are written and the page goes out, so that a
    // number another program has issued with other content is never printed.
    // A print that then fails leaves the record: the number is never given
    // to other content, and printing the document again counts as a copy.
    if (m_links.recordPrint(invoice, page) && page.mode != PrintRules::Copy)
        page = capture(invoice, PrintRules::Copy);  // another program recorded it meanwhile
    if (m_links.issued)
        m_links.issued(invoice);
    printPage(page, *printer);
    show();
    raise();
    if (!page.einvoiceRefusal.isEmpty())
        prompts().message(page.einvoiceRefusal, Prompter::Icon::Warning);
}

PrintedPage TPrintDlgOru::capture(const Invoice &invoice, const QString &mode)
{
    PrintedPage page;
    page.mode = mode;
    Doc->Label8->setText(mode);
    Doc->NewExecute();
    // The picture carries no focus, selection or hover marks: the same page
    // is the same picture whatever the user last touched.
    Doc->StringGrid2->clearFocus();
    Doc->StringGrid2->setCurrentItem(nullptr);
    const QImage captured = capturePage(Doc->Panel1);
    Doc->Image1->setPixmap(QPixmap::fromImage(captured));
    const int depth = PrintRules::archiveDepth(ComboBox1->currentText());
    page.picture = archivePicture(captured, depth);
    page.imageBytes = archiveImageBytes(page.picture, depth);
    // Never a name another document's files have: the first name of the
    // number while it is free, else one with the company's ЕИК.
    const ArchiveNames names = chooseArchiveNames(
        PrintRules::archiveFileName(QDir(installFolder()).filePath(QStringLiteral("DB")) + u'/',
                                    m_links.documentKind(), m_links.firmRecNo(), invoice.number, mode),
        PrintRules::companyTag(companyKey(invoice.supplier)), page.imageBytes,
        [this, &invoice](const QString &path) { return m_links.fileTaken && m_links.fileTaken(path, invoice); });
    page.image = names.image;
    page.pdf = names.pdf;
    page.pdfBytes = pdfCopyBytes(Doc->Panel1, QFileInfo(page.image).completeBaseName(), PrintRules::pdfInfo(invoice));
    // The original's e-invoice, from the value the register records. A
    // document in leva or a proforma has none, and the print says nothing
    // of it; missing data is told after the print.
    if (mode == PrintRules::Original && !EInvoice::hasNone(invoice)) {
        try {
            page.einvoiceBytes = EInvoice::ublFile(invoice);
            page.einvoice = names.einvoice;
        } catch (const Failure &refusal) {
            page.einvoiceRefusal = refusal.text();
        }
    }
    return page;
}

void TPrintDlgOru::printPage(const PrintedPage &page, QPrinter &printer)
{
    const int left = PrintRules::leftMargin(printer.width());
    const QRect target(left, 0, printer.width() - left, printer.height());
    // The document is in the register: its page is kept in the archive
    // whatever the printer does next.
    ArchiveWrite(page.image, page.pdf, page.einvoice).write(page.imageBytes, page.pdfBytes, page.einvoiceBytes);
    printer.setDocName(QFileInfo(page.image).completeBaseName());
    if (!prompts().print(printer, 1, 1))
        return;  // "Отказ": nothing goes to any printer
    printStretched(printer, page.picture, target);
    shell().printFile(page.image);
}
