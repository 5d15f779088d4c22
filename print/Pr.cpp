#include "print/Pr.h"

#include "common/Failure.h"
#include "document/Document.h"
#include "document/PagePieces.h"
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
    const QString number = PrintRules::recordedNumber(Doc->NO->text());
    if (const auto refusal = PrintRules::emptyDocumentRefusal(Doc->Label33->text(), Doc->StringGrid2->rowCount() - 1))
        throw Failure(*refusal);

    Doc->StringGrid2->setFocus();
    for (QLabel *field : Doc->greyFields())
        fillBackground(field, Qt::white);

    std::unique_ptr<QPrinter> printer = defaultPrinter();
    if (!printer)
        throw Failure(NoPrinterMessage);

    Doc->NO->setText(number);
    const QString archive = PrintRules::archiveFileName(QDir(installFolder()).filePath(QStringLiteral("DB")) + u'/',
                                                        m_links.documentKind(), m_links.firmRecNo(), number, mode);
    // Recorded in the register before anything is captured, so that a
    // number another program has issued with other content is never printed.
    // A print that then fails leaves the record: the number is never given
    // to other content, and printing the document again counts as a copy.
    m_links.recordPrint(mode, archive, PrintRules::pdfCopyFileName(archive));
    printPage(mode, *printer, archive);
    if (m_links.pageOut)
        m_links.pageOut();
    show();
    raise();
}

void TPrintDlgOru::printPage(const QString &mode, QPrinter &printer, const QString &archive)
{
    const int pageWidth = printer.width();
    const int pageHeight = printer.height();
    Doc->Label8->setText(mode);
    Doc->NewExecute();
    const int left = PrintRules::leftMargin(pageWidth);
    const QRect target(left, 0, pageWidth - left, pageHeight);

    const QImage captured = capturePage(Doc->Panel1);
    Doc->Image1->setPixmap(QPixmap::fromImage(captured));
    const int depth = PrintRules::archiveDepth(ComboBox1->currentText());
    const QImage picture = archivePicture(captured, depth);

    const QByteArray image = archiveImageBytes(picture, depth);
    const QByteArray pdf = pdfCopyBytes(Doc->Panel1, QFileInfo(archive).completeBaseName(),
                                        m_links.invoice ? PrintRules::pdfInfo(m_links.invoice()) : PrintRules::PdfInfo());
    // A print that does not go out leaves the archive as it was.
    ArchiveWrite files(archive, PrintRules::pdfCopyFileName(archive));
    try {
        files.write(image, pdf);
        printer.setDocName(QFileInfo(archive).completeBaseName());
        if (prompts().print(printer, 1, 1))
            printStretched(printer, picture, target);
    } catch (...) {
        files.rollBack();
        throw;
    }
    shell().printFile(archive);
}
