#pragma once

#include "common/Currency.h"
#include "document/Document.h"
#include "lines/Totals.h"
#include "platform/Widgets.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <optional>

// The number given to the most recent line row; 0 when the table is empty.
extern int LineCounter;

// The line table editor: the lines of one invoice, the document selectors and
// the totals. Lines arrive through the hidden staging editors and the hidden
// add button, which the goods pick fills and presses.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);

    // The line table.
    QTableWidget *StringGrid1;
    QToolButton *SpeedButton4;
    QMenu *PopupMenu1;
    QAction *N1;
    QAction *Clear1;

    // Totals.
    AutoSizePanel *Panel1;
    AutoSizeLabel *Label6, *Label7, *Label2, *Label3, *Label4, *Label5;

    // Document selectors.
    QLabel *Label15, *Label16, *Label17, *Label8;
    QComboBox *ComboBox2, *ComboBox1, *ComboBox4, *ComboBox5;
    QToolButton *SpeedButton2;
    // The currency of the invoice: "лв" or "EUR"; nothing can be typed into it.
    QLabel *Label18;
    QComboBox *ComboBox6;

    // Hidden staging editors, the add button and two working captions.
    QLineEdit *ComboBox3;
    QPlainTextEdit *Stock;
    QLineEdit *Edit4, *Edit3, *Edit1;
    QPushButton *SpeedButton1;
    QLabel *Label10;  // value of the line being added
    QLabel *Label1;   // VAT amount as computed

    QStringList MemList;
    QString VatRateText = QStringLiteral("20%");
    QString CurrencyName;

    // The VAT rate charged, as answered at start.
    struct RateAnswer {
        QString remembered;  // as typed: the settings file keeps it for the next start
        QString heading;     // without the percent sign, as the heading shows it
    };
    // What a start asks before any window is made, so that the rate dialog
    // is the first thing it shows: the remembered settings (read from the
    // settings file, with their messages) and the VAT rate.
    struct StartAnswers {
        QStringList remembered;   // as read; short where the file is
        bool unreadable = false;  // the file exists but could not be read
        RateAnswer rate;
    };
    static StartAnswers askAtStart();
    // Creation from those answers: the selectors, the table headings and
    // the rate charged.
    void FormCreate(const StartAnswers &answers);
    // Writes the remembered settings file; throws a Failure when it cannot.
    // A file that could not be read at start is left untouched.
    void SaveSettings();

    // The add action. Returns whether a line row was appended.
    bool AddLine();
    void SpeedButton1Click() { AddLine(); }
    // Takes back the line the add action appended last, with its
    // continuation rows, leaving rowsBefore rows; the totals follow.
    void RemoveLastLine(int rowsBefore);
    void SpeedButton4Click();
    // Each selector writes its document label and its remembered item at once.
    void ComboBox2Change();
    void ComboBox1Change();
    void ComboBox4Change();
    void ComboBox5Change();
    // Hands the currency to the document and remembers it as the sixth item.
    void ComboBox6Change();
    Currency currency() const;
    // What the selectors put on the page, all of it.
    PageSelectors selectors() const;
    // The running totals and the rate charged; totalsCounted() tells whether
    // a line was counted since the start or "Изчисти всичко".
    InvoiceTotals totals() const;
    bool totalsCounted() const { return m_totalsCounted; }
    // "?": the legal texts behind the grounds for not charging VAT.
    void SpeedButton2Click();
    void N1Click();
    // "Изчисти всичко": gives back the stock of the lines first, so that a
    // give-back that fails leaves the table as it was.
    void Clear1Click() { clearAll(); }
    void clearAll();

    // What the pick took from the stock for the lines in the table, by the
    // key of the goods record. A line leaves the table issued only on a
    // printed invoice or note; any other way its stock goes back.
    struct TakenStock {
        qint64 goodsKey = 0;
        Amount quantity;
        bool onPage = false;  // on the page as last assembled
        int row = 0;          // the line's row in the table
    };
    void stockTaken(qint64 goodsKey, const Amount &quantity);
    const QList<TakenStock> &takenStock() const { return m_taken; }
    // The page was assembled from every line in the table.
    void linesOnPage();
    // The page was printed as an invoice or note: its lines keep their stock.
    void pageIssued();
    // Gives back the stock of every line not issued, one line at a time, so
    // that a failure leaves only the lines not yet given back to retry.
    void giveBackStock();
    // Adds the quantity back to the stored stock of the goods record; handed
    // over by whoever creates the windows.
    std::function<void(qint64 goodsKey, const Amount &quantity)> GiveBackStock;
    // Takes a further quantity of the goods record from the stored stock (a
    // negative one gives it back); false, having told the user why, when the
    // stock is short. Handed over by whoever creates the windows.
    std::function<bool(qint64 goodsKey, const Amount &more)> ChangeStock;

    // Typing rules of the staging editors.
    void ComboBox3Click() { ComboBox3->clear(); }
    void Edit1Click() { Edit1->clear(); }
    void Edit3Click() { Edit3->clear(); }
    void Edit4Click() { Edit4->clear(); }
    void Edit3Change();
    void Edit1Change();

    // Text of a cell of the line table; an empty text for a cell never set.
    QString cell(int column, int row) const;
    // The lines of the table as values: numbers as they were read where they
    // were typed, descriptions with their continuation rows.
    QList<InvoiceLine> lines() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildTable();
    void buildTotals();
    void buildSelectors();
    void buildStaging();
    static bool loadSettings(StartAnswers &answers);
    void restoreSettings();
    static void showText(QComboBox *selector, const QString &text);
    static RateAnswer askVatRate(const QString &proposed);
    void setHeadings();
    void appendRow();
    void setCell(int column, int row, const QString &text);
    void setAmountCell(int column, int row, Amount amount);
    std::optional<Amount> amountCell(int column, int row) const;
    enum class LineOutcome { Added, TableFull, Refused };
    LineOutcome appendLineRow(const QStringList &nameLines);
    // An edit of a quantity or price cell: the line's value and the totals
    // are worked out again, or the edit is refused and the cell keeps its text.
    void cellEdited(QTableWidgetItem *item);
    std::optional<Amount> recomputedValue(int row, int changedColumn, Amount changed) const;
    LineTotals totalsOfLines(int changedRow, std::optional<Amount> changedValue) const;
    // A picked line's quantity changed: the stock follows, or the edit is refused.
    bool takeStockDifference(int row, Amount quantity);
    void setTotals(const LineTotals &totals);
    // Writes the captions from the running totals.
    void showTotals();
    QString vatModeLine() const;
    void addContinuationRows(const QStringList &nameLines);
    void resetStaging();
    void enforceDecimalRule(QLineEdit *editor, int decimals, const QString &tooSmallMessage);
    bool acceptsKey(QLineEdit *editor, const QString &typed) const;

    QList<TakenStock> m_taken;
    int m_lastLineRow = 0;          // the row the add action filled last
    LineTotals m_totals;            // as the captions show them
    bool m_totalsCounted = false;   // a line was counted since the start or "Изчисти всичко"
    QString m_rate = QStringLiteral("20");  // the rate charged, as its heading shows it
    bool m_settingsUnreadable = false;  // the settings file exists but could not be read
    int m_quantityLimit = 0;  // typing limits; 0 means none
    int m_priceLimit = 0;
};

extern TForm1 *Form1;
