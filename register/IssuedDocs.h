#pragma once

#include "ledger/LedgerDialog.h"
#include "register/MonthChart.h"
#include "register/RegisterModel.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QPointer>
#include <QWidget>
#include <QImage>
#include <functional>
#include <memory>

// "Издадени документи": the register of issued documents, newest first,
// searched by number, client or ЕИК within a period, with the sums of what
// it shows. A double click opens the document's PDF copy; the buttons print
// a copy of the archived page and cancel a document; "Дневник за продажби"
// opens the sales ledger of the register's documents and "Експорт за
// счетоводителя" exports the listed ones. The window reads and
// writes the register through RegisterStore and shows it through
// RegisterModel; it holds no rule of its own.
class TIssuedDocs : public QWidget {
    Q_OBJECT
public:
    explicit TIssuedDocs(QWidget *parent = nullptr);
    ~TIssuedDocs() override;

    QLineEdit *Edit1;       // search: number, client name or ЕИК
    QLineEdit *Edit2;       // period from, "1.1.2026"
    QLineEdit *Edit3;       // period to
    QTableView *DBGrid1;    // the documents
    QLabel *Label4;         // the sums per currency
    QToolButton *SpeedButton1;  // "Отпечатай копие"
    QToolButton *SpeedButton2;  // "Анулирай"
    QToolButton *SpeedButton3;  // "Отвори PDF"
    QToolButton *SpeedButton4;  // "Изпрати"
    QToolButton *SpeedButton5;  // "Дневник за продажби"
    QToolButton *SpeedButton6;  // "Експорт за счетоводителя"
    QToolButton *SpeedButton7;  // "Фактура от проформа"
    QToolButton *SpeedButton8;  // "Запиши е-фактура"
    QComboBox *ComboBox1;       // "Всички", "Неплатени", "Просрочени"
    QSpinBox *SpinEdit1;        // the payment term in days where the page names no date
    QToolButton *SpeedButton9;  // "Плащане"
    QToolButton *SpeedButton10; // "Плащания"
    QToolButton *SpeedButton11; // "Извлечение"
    MonthChart *Chart1;         // the last twelve months, paid and open
    QToolButton *SpeedButton12; // "Покупки"
    QToolButton *SpeedButton13; // "От банка"

    // Opens the register of the start folder (making it on first use) and
    // lists it as the search boxes say.
    void FormShow();
    // The search boxes changed: lists and sums again.
    void Edit1Change();
    void DBGrid1DblClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click() { DBGrid1DblClick(); }
    // Opens a message in the user's mail program with the PDF copy attached,
    // and the e-invoice beside it where the print wrote one, to the client's
    // e-mail address where the clients table has one.
    void SpeedButton4Click();
    // Opens the sales ledger on the register's documents from the month the
    // typed period starts in, at that month (on all of them when none is typed).
    void SpeedButton5Click();
    // Exports the listed documents, in the order shown, for the accountant.
    void SpeedButton6Click();
    // Hands the chosen proforma, as recorded, to InvoiceFromProforma; any
    // other document is refused.
    void SpeedButton7Click();
    // Writes the chosen document's e-invoice, made again from its recorded
    // value, into a folder the user chooses; a document that has none is
    // refused with a message naming it and what is missing.
    void SpeedButton8Click();
    // Enters a payment against the chosen document, the rest owed proposed.
    // Payments from a bank's statement (CAMT.053), confirmed by the user.
    void SpeedButton13Click();
    void SpeedButton9Click();
    // Lists the chosen document's payments.
    void SpeedButton10Click();
    // Writes the chosen client's statement of what is owed to a PDF file the
    // user chooses, and offers to mail it.
    void SpeedButton11Click();
    // The term changed: remembered in the data folder, the list read again.
    void SpinEdit1Change();
    // "Покупки": the purchase ledger's documents of the own companies.
    void SpeedButton12Click();

    // Makes an invoice of a proforma's lines; handed over by whoever creates
    // the windows.
    std::function<void(const Invoice &)> InvoiceFromProforma;
    // The page of a recorded document marked "Копие", drawn from its recorded
    // value and kept in the archive beside the original's files; handed over
    // likewise.
    struct DrawnCopy {
        QImage picture;
        ArchiveFiles files;
    };
    std::function<DrawnCopy(const Invoice &, const RegisterRow &)> RenderCopy;
    // The own company's logo for the statement; handed over likewise.
    std::function<QImage(const InvoiceSupplier &)> CompanyLogo;

    RegisterModel *model() const { return m_model.get(); }
    // The sales ledger while it is open.
    LedgerDialog *ledgerDialog() const { return m_ledger; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    RegisterQuery query() const;
    void reloadAt(qint64 id);
    void showMonths();
    // The document under the cursor; a Failure when there is none.
    RegisterRow currentDocument() const;
    // Its PDF copy; a Failure when the file is gone.
    QString pdfCopy(const RegisterRow &row) const;

    std::unique_ptr<RegisterStore> m_store;
    std::unique_ptr<RegisterModel> m_model;
    QPointer<LedgerDialog> m_ledger;
};

extern TIssuedDocs *IssuedDocs;
