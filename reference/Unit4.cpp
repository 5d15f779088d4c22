#include "reference/Unit4.h"

TForm4 *Form4 = nullptr;

TForm4::TForm4(QWidget *parent) : QWidget(parent, Qt::Window) {}

void TForm4::openOwnCompanies() {}
void TForm4::openBankDetails() {}
void TForm4::openGoods() {}
void TForm4::openClients() {}
