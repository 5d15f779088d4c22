#pragma once

#include <QIcon>

enum class MenuPicture {
    OwnCompanies, BankAccounts, Goods, Clients, Table, ToInvoice, PrintAndSave, NewInvoice, Update, IssuedDocuments,
    Backup
};

// The picture of a main menu button, drawn in code: 72 x 72 pixels.
QIcon menuPicture(MenuPicture picture);
