#include "document/Document.h"

#include "platform/Shell.h"
#include "print/Pr.h"

TDoc *Doc = nullptr;

TDoc::TDoc(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Фактура"));
}

void TDoc::FormCreate() {}

void TDoc::SpeedButton1Click()
{
    PrintDlgOru->show();
    PrintDlgOru->raise();
}

void TDoc::SpeedButton3Click()
{
    shell().openNewCopy();
    shell().endMessageLoop();
}
