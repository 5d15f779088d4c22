#pragma once

#include "common/Currency.h"
#include "document/Invoice.h"
#include "platform/Widgets.h"

#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <optional>

class QScrollArea;

// What the line table's selectors put on the page; a part left empty keeps
// what the page shows.
struct PageSelectors {
    std::optional<QString> kind = {};     // the heading
    std::optional<QString> note = {};     // the note kind
    std::optional<QString> basis = {};    // the article that exempts from VAT
    std::optional<QString> vatMode = {};  // the line under it, "/основание за …/"
    std::optional<Currency> currency = {};
};

// The invoice document: the printable page Panel1, the two buttons beside it
// and the hidden number and path labels. What the labels show is the
// document; other windows read and write their captions directly.
class TDoc : public QWidget {
    Q_OBJECT
public:
    explicit TDoc(QWidget *parent = nullptr);

    // The scrolled client area that holds the page and the buttons.
    QWidget *Client;
    QScrollArea *Scroller;

    // The page.
    QFrame *Panel1;
    AutoSizeLabel *Label1;   // heading: the document kind
    AutoSizeLabel *Label8;   // "Оригинал" or "Копие"
    AutoSizeLabel *Label15;  // number and date (grey)
    QLabel *Image2;          // the company logo, scaled to fit and centred

    // Client block.
    AutoSizePanel *Panel3;
    AutoSizeLabel *Label24, *Label33, *Label28, *Label29, *Label31, *Label30, *Label25, *Label66;
    QLabel *Label34, *Label65;  // fixed width

    // Supplier block.
    AutoSizePanel *Panel4;
    AutoSizeLabel *Label45, *Label46, *Label63, *Label48, *Label47, *Label54, *Label50, *Label49,
        *Label64, *Label69, *Label12, *Label16;
    QLabel *Label11, *Label10;  // fixed width

    // Note block, shown for credit and debit notes only.
    AutoSizePanel *Panel2;
    AutoSizeLabel *Label21, *Label22;

    QTableWidget *StringGrid2;  // the invoice lines; row 0 is the heading row
    QFrame *Bevel1;

    // Lower block: words, legal basis, dates, payment, bank, totals.
    AutoSizePanel *Memo4;
    AutoSizeLabel *Label36, *Label18, *Label19, *Label20, *Label55, *Label56, *Label58, *Label57,
        *Label27, *Label40, *Label44, *Label37, *Label43, *Label38, *Label42, *Label39, *Label41,
        *Label53;
    QFrame *Bevel2, *Bevel6;
    QTableWidget *StringGrid1;  // references of a note; row 0 is the heading row

    // Totals block inside Memo4.
    AutoSizePanel *Panel6;
    AutoSizeLabel *Label6, *Label5, *Label2, *Label7, *Label4, *Label3;
    QFrame *Bevel4;

    QFrame *Bevel3;

    // Signature block.
    AutoSizePanel *Panel5;
    AutoSizeLabel *Label32, *Label35, *Label14, *Label62, *Label51, *Label52, *Label17, *Label13;

    QLabel *Image1;  // hidden; holds the captured page while printing
    AutoSizeLabel *Label9;  // imprint at the foot of the page

    // Beside the page.
    AutoSizeLabel *NO;      // hidden: the document number
    AutoSizeLabel *SVpath;  // hidden: the data directory of the last assembly
    QToolButton *SpeedButton1;  // "Отпечатай"
    QToolButton *SpeedButton3;  // "Нова фактура"
    QToolButton *SpeedButton4;  // "Към фактура": shown with the note block

    // The print window, which "Отпечатай" shows and closing the document
    // closes; handed over by whoever creates the windows.
    QPointer<QWidget> PrintWindow;
    // Writes the remembered settings before "Нова фактура" starts the new
    // copy; handed over likewise.
    std::function<void()> SaveSettings;
    // Offers the register's invoices for the note to refer to; handed over
    // likewise.
    std::function<void()> PickNoteInvoice;

    // The nineteen fields the user fills by clicking; printing turns them white.
    QList<QLabel *> greyFields() const { return m_greyFields; }
    // Shows the fill-in fields grey again, as before the first print.
    void greyTheFields();

    void FormCreate();
    // Closing the document closes the print window too.
    void FormClose();
    // "Отпечатай": shows the print window.
    void SpeedButton1Click() { showPrintWindow(); }
    void showPrintWindow();
    // "Нова фактура": starts a fresh copy of the program and ends this one.
    void SpeedButton3Click() { startNewInvoice(); }
    void startNewInvoice();
    // "Към фактура": picks the invoice the note refers to from the register.
    void SpeedButton4Click();
    void Panel3Resize();
    void Memo4Resize();

    void Label15Click();
    void Label22Click();
    void Label33Click(AutoSizeLabel *sender);
    void Label18Click(AutoSizeLabel *sender);
    void Label34Click(QLabel *sender);

    // Centres the mark and the number line under the heading, adds the
    // currency to the totals once and aligns the totals column.
    void NewExecute();
    // Stacks the page sections under the client and supplier blocks.
    void ResizedExecute();

    // Shows the selectors' texts, the heading centred on the page.
    void showSelectors(const PageSelectors &selectors);
    // Shows the totals with the currency's sign and the rate heading over the
    // VAT; until a line has been counted the amounts read a bare "0".
    void showTotals(const InvoiceTotals &totals, bool counted);
    // Shows a recorded document on the page as it was printed, with the own
    // company's logo; the fill-in fields white.
    void showInvoice(const Invoice &invoice, const QPixmap &logo);
    // The lines of the document as values, as the line table read them; the
    // lines grid shows their texts.
    void setLines(QList<InvoiceLine> lines) { m_lines = std::move(lines); }
    // The document on the page: its lines as values, the rest as the page
    // shows it; the own company's record number is not on the page and stays 0.
    Invoice shownInvoice() const;

    // The currency of the totals and of the words line; the line table hands
    // it over. A change re-signs the totals at once and spells words written
    // by WriteAmountInWords afresh in their place.
    void setCurrency(Currency currency);
    Currency currency() const { return m_currency; }
    // Whether a name line is shown whole in the name column of the lines
    // grid, measured in the grid's font: the page prints and archives it as
    // the window shows it.
    bool nameLineFits(QStringView line) const;

    // The total to pay (Label3) in words on the words line, broken until
    // every line fits; a total below 1 in leva leaves the line as it is.
    void WriteAmountInWords();

    // Fills a field of the form prefix + first value + separator + second
    // value from two input boxes, each proposing the value shown and keeping
    // it on Cancel. Of a number and its date, the number typed is padded to
    // ten characters and, when numberLabel is given, also stored there; of a
    // date and a number (the invoice a note refers to), the date is padded as
    // a date (padDate) and the number, unless left empty, as a number.
    enum class Pair { NumberAndDate, DateAndNumber };
    void EditPair(QLabel *label, const QString &prefix, const QString &separator,
                  QLabel *numberLabel, Pair pair = Pair::NumberAndDate);
    // Writes the invoice a note refers to into the note block (picked from
    // the register of issued documents).
    void setNoteReference(const QString &date, const QString &number);
    // Edits a one-value field; a last line wider than widthLimit is broken at
    // the middle character and the controls below it move down.
    void EditWrapped(AutoSizeLabel *label, int widthLimit, AutoSizePanel *container);
    // When the caption's last line, drawn in the label's font, is wider than
    // widthLimit: breaks the caption at its middle character, moves every
    // control of the container whose top is below the label's down by 12
    // pixels and refits the container. Returns whether it broke the caption.
    bool breakIfTooWide(AutoSizeLabel *label, int widthLimit, AutoSizePanel *container);
    // As breakIfTooWide, as often as it takes for every line to fit; each
    // break moves the controls below down by 12 pixels. Returns the breaks.
    int breakUntilFits(AutoSizeLabel *label, int widthLimit, AutoSizePanel *container);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPage();
    void buildClientBlock();
    void buildSupplierBlock();
    void buildNoteBlock();
    void buildGrids();
    void buildLowerBlock();
    void buildTotals();
    void buildSignatures();
    void buildBesideThePage();
    void bindGreyField(QLabel *field, std::function<void()> handler);
    void moveControlsBelow(QWidget *control, AutoSizePanel *container, int by);
    void showLineRows(const QList<InvoiceLine> &lines);
    void showNote(const InvoiceNote &note);
    // A caption the user broke over lines: the controls below make room.
    void showBrokenCaption(AutoSizeLabel *label, const QString &text, AutoSizePanel *container);

    QList<QLabel *> m_greyFields;
    QList<InvoiceLine> m_lines;
    QHash<QObject *, std::function<void()>> m_clickHandlers;
    QString totalCaption(Amount amount) const;

    Currency m_currency = Currency::Leva;
    InvoiceTotals m_totals;        // what the totals block shows
    bool m_totalsCounted = false;  // and whether a line was counted in them
    QString m_spelledWords;  // the words line as WriteAmountInWords left it
    int m_wordsBreaks = 0;   // and the breaks it made there
};

extern TDoc *Doc;
