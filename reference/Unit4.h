#pragma once

#include "reference/DataControls.h"
#include "reference/TableModel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QWidget>

#include <functional>

class TableStore;

// What the pick hands to the invoice, for the table the browser shows: the
// current record of the client, goods, bank or own-company table (with the
// logo the browser shows). Handed over by whoever creates the windows; the
// browser itself remembers the bank and the company picked.
struct PickLinks {
    std::function<void(TableStore &table)> client;
    std::function<void(TableStore &table)> goods;
    std::function<void(TableStore &table)> bank;
    std::function<void(TableStore &table, const QPixmap &logo)> ownCompany;
};

// The reference-table browser and picker. Its caption tells which of the
// four tables is open: the pick acts on it.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(QWidget *parent = nullptr);
    ~TForm4() override;

    void setPickLinks(PickLinks links) { m_pick = std::move(links); }

    // The one table of the browser; the other windows reach the tables through it.
    TableStore *Table1;
    TableModel *DataSource1;

    DBNavigator *DBNavigator1;
    QLabel *Label1, *Label2;
    QLineEdit *Edit1;
    QComboBox *ComboBox1;
    DBGrid *DBGrid1;
    QPlainTextEdit *DBMemo1;
    QLabel *LabelOpisanie;
    DBImage *DBImage1;
    QLabel *LabelLogo;
    QToolButton *SpeedButton2;  // "Добави": the pick
    QToolButton *SpeedButton1;  // "Изход"

    // Record numbers (1-based) of the own company and the bank last picked
    // in this run; 0 before any pick.
    int FirmRecNo = 0;
    int BankRecNo = 0;

    // The four opening actions of the main menu's table buttons.
    void openOwnCompanies();
    void openBankDetails();
    void openGoods();
    void openClients();

    void FormShow();
    void FormActivate();
    void Table1AfterClose();
    void Edit1Change();
    void ComboBox1Change();
    void DBImage1Click();
    void SpeedButton1Click();
    // The pick: hands the current record to the invoice.
    void SpeedButton2Click();

    // The navigator's buttons.
    void navigatorFirst();
    void navigatorLast();
    void navigatorInsert();
    void navigatorDelete();
    void navigatorRefresh();

    // Hands an open cell editor to the table and stores a pending change.
    void storePendingChange();

    // Whether the search text is one no record begins with: the search box
    // shows it, and the pick refuses the record the cursor merely stayed on,
    // until the user chooses a record or the search finds one.
    bool searchMissed() const { return m_searchMissed; }

protected:
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    void layOut();
    void setGridPlace(int top, int height);
    void openTable(const QString &fileName);
    void bindMemo(const QString &field);
    void bindPicture(const QString &field);
    void showRecord();
    void followCursor();
    void memoEdited();
    void bringUp();
    void showSearchMissed(bool missed);

    PickLinks m_pick;
    int m_gridTop = 64;
    int m_gridHeight = 297;
    QString m_memoField;
    QString m_pictureField;
    bool m_showingRecord = false;
    bool m_followingCursor = false;
    bool m_searchMissed = false;
};

extern TForm4 *Form4;
