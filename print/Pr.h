#pragma once

#include "document/Invoice.h"

#include <QComboBox>
#include <QSet>
#include <QString>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <optional>

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
    // Records the number in the column of the own company's record, in one
    // write that reads the stored number again, and gives back the text it
    // replaced. Throws a Failure, writing nothing, when another program has
    // recorded the number this program took at assembly.
    std::function<QString(const QString &column, const QString &number)> recordNumber;
    // Puts back the text recordNumber replaced, unless another program has
    // recorded a number since. Throws a Failure when the table refuses.
    std::function<void(const QString &column, const QString &number, const QString &before)> giveBackNumber;
    // Records the print ("Оригинал" or "Копие") with its archive image and
    // PDF copy in the register of issued documents, and the number in the
    // own company's record, in one transaction. Throws a Failure, recording
    // nothing, when the register holds the number with other content or the
    // document is cancelled; the same document again counts as a copy.
    // Called before the page is captured, so a refused number is never printed.
    std::function<void(const QString &mode, const QString &archiveImage, const QString &pdfCopy)> recordPrint;
    // The page of this number is out: the number taken at assembly is spent.
    std::function<void(const QString &number)> numberIssued;
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
    // Gives back a number that a failed print could not give back, when
    // there is one; throws a Failure while the table still refuses. Every
    // command that reads or records the number runs it first.
    void retryGiveBack();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The record of the page's number, for one print command.
    struct NumberRecord {
        QString column;
        QString number;
        QString key;       // column, company and number
        QString before;    // the stored text the record replaced
        bool writtenNow = false;
    };
    void printPage(const QString &mode, QPrinter &printer, const QString &documentKind, int firmRecNo,
                   const QString &number);
    NumberRecord recordNumber(const QString &number, const QString &documentKind, int firmRecNo);
    // Returns what the user must be told when the table refused the give-back.
    QString giveBackNumber(const NumberRecord &record);

    PrintLinks m_links;
    // The numbers written back in this run, by column, company and number.
    QSet<QString> m_recorded;
    // A number recorded by a print that failed, still to be given back.
    std::optional<NumberRecord> m_pendingGiveBack;
};

extern TPrintDlgOru *PrintDlgOru;
