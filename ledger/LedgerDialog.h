#pragma once

#include "ledger/PurchaseLedger.h"
#include "ledger/SalesLedger.h"

#include <QDate>
#include <QDialog>
#include <QList>

#include <functional>

// The title of the folder dialog of the ledger's files, and the question of
// the accountant's export.
inline const QString LedgerFolderTitle = QStringLiteral("Папка за файловете на дневника");
inline const QString ExportLinesQuestion = QStringLiteral("Да бъде ли добавен и по един ред за всеки ред на документите?");
// The progress of writing the files.
inline const QString WritingLedgersText = QStringLiteral("Записване на дневниците…");

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "Дневник за продажби": the user picks the own company and the month, sees
// what the ledger will report and writes PRODAGBI.TXT (and, for a month
// without purchases, DEKLAR.TXT and an empty POKUPKI.TXT) into a folder. It works on the documents it
// is given; the window that opens it hands them over.
class LedgerDialog : public QDialog {
    Q_OBJECT
public:
    // The own companies to choose from; without them, those that issued the
    // documents.
    explicit LedgerDialog(const QList<LedgerDocument> &documents, QWidget *parent = nullptr,
                          const QList<LedgerCompany> &companies = {});

    // The day the open-month check compares with; today unless set.
    void setToday(QDate today);
    void setPeriod(TaxPeriod period);

    // Where the purchases an own company (its key) entered come from; without
    // it the program keeps no purchase ledger and asks about the month.
    using PurchaseSource = std::function<QList<PurchaseDocument>(const QString &company)>;
    void setPurchaseSource(PurchaseSource source);

    // The ledgers as the dialog now shows them: the sales with the month's
    // protocols under чл. 117.
    SalesLedger ledger() const;
    PurchaseLedger purchaseLedger() const;

    // Handlers.
    void refresh();
    void showSummary();
    void writeFiles();

    QComboBox *companyBox = nullptr;
    QDateEdit *monthEdit = nullptr;
    // The ЕГН (or ЛНЧ) of the person who files the return, for its "ЕГН/име".
    QLineEdit *filerEdit = nullptr;
    // The coefficient under чл. 73, ал. 5 for partial credit (01-33).
    QLineEdit *coefficientEdit = nullptr;
    QPlainTextEdit *summaryView = nullptr;
    // The documents the program could not place, a cell to choose for each.
    QTableWidget *placementGrid = nullptr;
    QPushButton *writeButton = nullptr;
    QPushButton *closeButton = nullptr;

private:
    void fillPlacementGrid(const SalesLedger &ledger);
    // True when the file may be written: missing, or the user lets it be replaced.
    static bool mayWrite(const QString &path);

    LedgerCompany currentCompany() const;
    QList<PurchaseDocument> purchases() const;

    QList<LedgerDocument> m_documents;
    PurchaseSource m_purchases;
    QList<LedgerCompany> m_companies;
    QDate m_today;
    // Where the user put the documents the program could not place; kept
    // while the dialog is open, whatever month is shown.
    PlacementChoices m_choices;
};

// The accountant's export of the given documents: asks whether to add a row
// per line and where to save, never over an existing file without asking.
void exportForAccountant(const QList<LedgerDocument> &documents);
