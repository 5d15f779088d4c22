#pragma once

#include "ledger/PurchaseLedger.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class RegisterStore;

// "Покупки": the clerk enters the documents an own company received, kept
// in the register's database, and cancels one entered in error. The ledger
// and the return are written from "Дневник за продажби".
class PurchasesDialog : public QDialog {
    Q_OBJECT
public:
    PurchasesDialog(RegisterStore &store, const QList<LedgerCompany> &companies, QWidget *parent = nullptr);

    // The document the fields describe.
    PurchaseTexts texts() const;

    // Handlers.
    void refresh();
    void addPurchase();
    void cancelPurchase();

    QComboBox *companyBox = nullptr;
    QLineEdit *supplierEdit = nullptr;
    QLineEdit *vatNumberEdit = nullptr;
    QLineEdit *eikEdit = nullptr;
    QComboBox *typeBox = nullptr;
    QLineEdit *numberEdit = nullptr;
    QLineEdit *dateEdit = nullptr;
    QLineEdit *descriptionEdit = nullptr;
    QComboBox *currencyBox = nullptr;
    QLineEdit *taxBaseEdit = nullptr;
    QLineEdit *vatEdit = nullptr;
    QComboBox *creditBox = nullptr;
    QComboBox *protocolBox = nullptr;
    QTableWidget *grid = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *closeButton = nullptr;

private:
    QString companyKey() const;

    RegisterStore &m_store;
    QList<LedgerCompany> m_companies;
    QList<qint64> m_ids;  // the grid's rows
};
