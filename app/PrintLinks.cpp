#include "app/PrintLinks.h"

#include "app/Menu.h"
#include "lines/Unit1.h"
#include "print/Pr.h"
#include "reference/NumberRecord.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"

#include <QDir>

namespace {

// "Собствени фирми" opens the browser on the own companies at the company
// of this run; the number goes into the record it stands on, and the
// browser closes again.
void recordNumberInOwnCompany(const QString &column, const QString &number)
{
    Main->SpeedButton5Click();
    TableStore *table = Form4->Table1;
    recordDocumentNumber(QDir(table->databaseName()).filePath(table->tableName()), table->recNo(), column,
                         number);
    table->refresh();
    Form4->SpeedButton1Click();
}

} // namespace

PrintLinks printLinks()
{
    PrintLinks links;
    links.documentKind = [] { return Form1->ComboBox2->currentText(); };
    links.firmRecNo = [] { return Form4->FirmRecNo; };
    links.recordNumber = recordNumberInOwnCompany;
    return links;
}
