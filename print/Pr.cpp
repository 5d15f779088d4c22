#include "print/Pr.h"

TPrintDlgOru *PrintDlgOru = nullptr;

TPrintDlgOru::TPrintDlgOru(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Принтер"));
}
