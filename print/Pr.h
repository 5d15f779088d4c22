#pragma once

#include "document/Invoice.h"

#include <QComboBox>
#include <QString>
#include <QToolButton>
#include <QWidget>
#include <functional>

class QPrinter;

// A print command has run to its end in this run; never reset.
extern bool NumberRecorded;

// What the user is told when the system has no default printer: a Bulgarian
// explanation, then the toolkit's own text.
inline const QString NoPrinterMessage = QStringLiteral(
    "Няма избран принтер по подразбиране: изберете принтер в настройките на системата и отпечатайте "
    "отново.\nThere is no default printer currently selected");

// What the print command needs of the other windows, handed in by the
// program's assembly.
struct PrintLinks {
    // The document kind chosen in the line table.
    std::function<QString()> documentKind;
    // The own company's record picked for the document.
    std::function<int()> firmRecNo;
    // The document on the page as a value, for the PDF copy's properties.
    std::function<Invoice()> invoice;
    // Records the print ("Оригинал" or "Копие") with its archive image and
    // PDF copy in the register of issued documents, and the number in the
    // own company's record, in one transaction. Throws a Failure, recording
    // nothing, when the register holds the number with other content or the
    // document is cancelled; the same document again counts as a copy.
    // Called before the page is captured, so a refused number is never printed.
    std::function<void(const QString &mode, const QString &archiveImage, const QString &pdfCopy)> recordPrint;
    // The page has gone out to the printer.
    std::function<void()> pageOut;
};

// The print window: prints the document as original or copy, keeps its
// picture as an archive image with a PDF copy beside it, and writes the
// document number back into the own company's record.
class TPrintDlgOru : public QWidget {
    Q_OBJECT
public:
    explicit TPrintDlgOru(QWidget *parent = nullptr);

    void setLinks(PrintLinks links) { m_links = std::move(links); }

    QToolButton *SpeedButton1;  // "Отпечатай ОРИГИНАЛ на документа"
    QToolButton *SpeedButton2;  // "Отпечатай КОПИЕ на документа"
    QComboBox *ComboBox1;       // colour depth of the archive image

    // Places the window by the document window.
    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    // The print command for "Оригинал" or "Копие".
    void PrintDocument(const QString &mode);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void printPage(const QString &mode, QPrinter &printer, const QString &archive);

    PrintLinks m_links;
};

extern TPrintDlgOru *PrintDlgOru;
