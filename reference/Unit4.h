#pragma once

#include <QWidget>

// The reference-table browser and picker.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(QWidget *parent = nullptr);

    // Record numbers (1-based) of the own company and the bank last picked
    // in this run; 0 before any pick.
    int FirmRecNo = 0;
    int BankRecNo = 0;

    // The four opening actions of the main menu's table buttons.
    void openOwnCompanies();
    void openBankDetails();
    void openGoods();
    void openClients();
};

extern TForm4 *Form4;
