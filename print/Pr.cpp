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
    retryGiveBack();
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

    const QString documentKind = m_links.documentKind();
    const int firmRecNo = m_links.firmRecNo();
    Doc->NO->setText(number);
    // Recorded before anything is captured, so that a number another program
    // has issued meanwhile is never printed.
    const NumberRecord record = recordNumber(number, documentKind, firmRecNo);
    try {
        printPage(mode, *printer, documentKind, firmRecNo, number);
    } catch (const Failure &failure) {
        const QString lost = giveBackNumber(record);
        if (lost.isEmpty())
            throw;
        throw Failure(failure.text() + QStringLiteral("\n\n") + lost);
    } catch (...) {
        giveBackNumber(record);
        throw;
    }
    m_links.numberIssued(number);
    show();
    raise();
}

void TPrintDlgOru::printPage(const QString &mode, QPrinter &printer, const QString &documentKind, int firmRecNo,
                             const QString &number)
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

    const QString archive = PrintRules::archiveFileName(QDir(installFolder()).filePath(QStringLiteral("DB")) + u'/',
                                                        documentKind, firmRecNo, number, mode);
    const QByteArray image = archiveImageBytes(picture, depth);
    const QByteArray pdf = pdfCopyBytes(Doc->Panel1, QFileInfo(archive).completeBaseName(),
                                        m_links.invoice ? PrintRules::pdfInfo(m_links.invoice()) : PrintRules::PdfInfo());
    // A print that does not go out leaves the archive as it was.
    ArchiveWrite files(archive, PrintRules::pdfCopyFileName(archive));
    try {
        const QStringList kept = files.write(image, pdf);
        if (!kept.isEmpty())
            prompts().message(PrintRules::issuedBeforeMessage(number, kept), Prompter::Icon::Warning);
        printer.setDocName(QFileInfo(archive).completeBaseName());
        if (prompts().print(printer, 1, 1))
            printStretched(printer, picture, target);
    } catch (...) {
        files.rollBack();
        throw;
    }
    shell().printFile(archive);
}

// Records the number once for each document number of the run: the original
// and the copy of one document record it once, and every further document of
// the run records its own.
TPrintDlgOru::NumberRecord TPrintDlgOru::recordNumber(const QString &number, const QString &documentKind,
                                                      int firmRecNo)
{
    NumberRecord record;
    record.column = PrintRules::numberColumn(documentKind);
    record.number = number;
    record.key = record.column + u'/' + QString::number(firmRecNo) + u'/' + record.number;
    if (m_recorded.contains(record.key))
        return record;
    record.before = m_links.recordNumber(record.column, record.number);
    record.writtenNow = true;
    m_recorded.insert(record.key);
    return record;
}

// A print command that failed after recording its number leaves the stored
// number as it found it, and records it again next time. When the table
// refuses, the give-back waits for the next command.
QString TPrintDlgOru::giveBackNumber(const NumberRecord &record)
{
    if (!record.writtenNow)
        return QString();
    m_recorded.remove(record.key);
    try {
        m_links.giveBackNumber(record.column, record.number, record.before);
        return QString();
    } catch (const Failure &failure) {
        m_pendingGiveBack = record;
        return PrintRules::giveBackFailedMessage(record.number, failure.text());
    }
}

void TPrintDlgOru::retryGiveBack()
{
    if (!m_pendingGiveBack)
        return;
    const NumberRecord record = *m_pendingGiveBack;
    try {
        m_links.giveBackNumber(record.column, record.number, record.before);
    } catch (const Failure &failure) {
        throw Failure(PrintRules::giveBackFailedMessage(record.number, failure.text()));
    }
    m_pendingGiveBack.reset();
}
