#pragma once

#include "ledger/LedgerDialog.h"
#include "register/RegisterModel.h"

#include <QLabel>
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
    QToolButton *SpeedButton8;  // "Покупки"

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
    // to the client's e-mail address where the clients table has one.
    void SpeedButton4Click();
    // Opens the sales ledger on the register's documents from the month the
    // typed period starts in, at that month (on all of them when none is typed).
    void SpeedButton5Click();
    // Exports the listed documents, in the order shown, for the accountant.
    void SpeedButton6Click();
    // Hands the chosen proforma, as recorded, to InvoiceFromProforma; any
    // other document is refused.
    void SpeedButton7Click();
    // "Покупки": the purchase ledger's documents of the own companies.
    void SpeedButton8Click();

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

    RegisterModel *model() const { return m_model.get(); }
    // The sales ledger while it is open.
    LedgerDialog *ledgerDialog() const { return m_ledger; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    RegisterQuery query() const;
    void reloadAt(qint64 id);
    // The document under the cursor; a Failure when there is none.
    RegisterRow currentDocument() const;
    // Its PDF copy; a Failure when the file is gone.
    QString pdfCopy(const RegisterRow &row) const;

    std::unique_ptr<RegisterStore> m_store;
    std::unique_ptr<RegisterModel> m_model;
    QPointer<LedgerDialog> m_ledger;
};

extern TIssuedDocs *IssuedDocs;
