#pragma once

#include "document/Invoice.h"

#include <QByteArray>
#include <QComboBox>
#include <QImage>
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

// One print's page as the archive keeps it: the mark it carries ("Оригинал"
// or "Копие"), the archive image and its PDF copy, names and contents.
// Each member starts empty, so that a page may name only what it has.
struct PrintedPage {
    QString mode{};
    QImage picture{};  // as it goes to the printer
    QString image{};
    QByteArray imageBytes{};
    QString pdf{};
    QByteArray pdfBytes{};
    // The e-invoice of an original, beside the PDF copy; empty where there is none.
    QString einvoice{};
    QByteArray einvoiceBytes{};
    // Why an original in euro has no e-invoice: told after the print, which goes on.
    QString einvoiceRefusal{};
};

// What the print command needs of the other windows, handed in by the
// program's assembly.
struct PrintLinks {
    // The document kind chosen in the line table.
    std::function<QString()> documentKind;
    // The own company's record picked for the document.
    std::function<int()> firmRecNo;
    // The document on the page as a value.
    std::function<Invoice()> invoice;
    // Whether the register holds this very document already: printing it
    // again makes a copy.
    std::function<bool(const Invoice &)> recorded;
    // Whether a document other than the invoice records the archive file:
    // its name is never given to another page.
    std::function<bool(const QString &path, const Invoice &)> fileTaken;
    // Records the print with its archive files in the register of issued
    // documents, and the number in the own company's record, in one
    // transaction. Throws a Failure, recording nothing, when the register
    // holds the number with other content or the document is cancelled.
    // Returns whether it counted as one more copy of a recorded document.
    // Called before the files are written and the page goes out, so a
    // refused number is never printed.
    std::function<bool(const Invoice &, const PrintedPage &)> recordPrint;
    // The document is in the register: whatever the printer does now, it
    // is issued.
    std::function<void(const Invoice &)> issued;
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
    // The page captured with the mark, as the archive keeps it.
    PrintedPage capture(const Invoice &invoice, const QString &mode);
    void printPage(const PrintedPage &page, QPrinter &printer);

    PrintLinks m_links;
};

extern TPrintDlgOru *PrintDlgOru;
