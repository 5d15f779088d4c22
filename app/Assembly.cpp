#include "app/Assembly.h"

#include "app/Menu.h"
#include "app/Pick.h"
#include "document/AssemblyRules.h"
#include "document/Document.h"
#include "document/PagePieces.h"
#include "lines/Unit1.h"
#include "platform/Paths.h"
#include "platform/Widgets.h"
#include "print/PrintRules.h"
#include "print/Pr.h"
#include "reference/Schema.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"

#include <QDate>
#include <QDir>
#include <QLocale>
#include <QPixmap>

namespace {

// The line table as the last assembly copied it.
QStringList assembledLines;
// The texts of pageEntries() as the last assembly left them; none after an
// assembly that failed.
QStringList assembledEntries;

QStringList lineTableCells()
{
    const QTableWidget *grid = Form1->StringGrid1;
    QStringList cells{QString::number(grid->rowCount()), QString::number(grid->columnCount())};
    for (int row = 0; row < grid->rowCount(); ++row) {
        for (int column = 0; column < grid->columnCount(); ++column)
            cells.append(Form1->cell(column, row));
    }
    return cells;
}

QList<QLabel *> pageEntries()
{
    QList<QLabel *> entries = Doc->greyFields();
    entries.append(Doc->NO);
    return entries;
}


void copyLines()
{
    QTableWidget *source = Form1->StringGrid1;
    QTableWidget *target = Doc->StringGrid2;
    target->setRowCount(source->rowCount());
    for (int row = 0; row < source->rowCount(); ++row) {
        for (int column = 0; column < source->columnCount(); ++column) {
            const QString text = Form1->cell(column, row);
            if (QTableWidgetItem *item = target->item(row, column))
                item->setText(text);
            else
                target->setItem(row, column, new QTableWidgetItem(text));
        }
    }
    setFixedRows(target, source->rowCount() > 1 ? 1 : 0);
    FitGridHeight(target);
}

// Opens a reference table of the data folder on the record last picked in
// this run (the first before any pick).
void openOnPicked(TableStore &table, const QString &fileName, int pickedRecord)
{
    table.setDatabaseName(dataDirectory());
    table.setTableName(fileName);
    table.open();
    if (pickedRecord > 0)
        table.setRecNo(pickedRecord);
}

// The next number of the own company picked in this run, its data and its
// bank onto the page, read from their tables as a pick reads them.
void takeNumberAndSupplier()
{
    TableStore firms;
    openOnPicked(firms, Schema::Firm::FileName, Form4->FirmRecNo);
    Doc->NO->setText(firms.text(PrintRules::numberColumn(Form1->ComboBox2->currentText())));
    Doc->NO->setText(AssemblyRules::nextDocumentNumber(Doc->NO->text()));
    QPixmap logo;
    logo.loadFromData(firms.picture(Schema::Firm::Logo.name));
    showOwnCompany(firms, logo);
    Form4->FirmRecNo = firms.recNo();

    TableStore banks;
    openOnPicked(banks, Schema::Bank::FileName, Form4->BankRecNo);
    if (banks.hasCurrent()) {
        showBank(banks);
        Form4->BankRecNo = banks.recNo();
    }
}

void stampDates()
{
    const QString today = AssemblyRules::documentDate(QDate::currentDate());
    Doc->Label15->setText(AssemblyRules::numberLine(Doc->NO->text(), today));
    Doc->Label57->setText(today);
    Doc->Label40->setText(today);
}

void showNoteBlock()
{
    const QString kind = Form1->ComboBox1->currentText();
    const bool note = !kind.isEmpty();
    Doc->StringGrid1->setVisible(note);
    Doc->Panel2->setVisible(note);
    Doc->SpeedButton4->setVisible(note);
    if (note) {
        QTableWidget *grid = Doc->StringGrid1;
        const auto setHeading = [grid](int column, const QString &text) {
            if (QTableWidgetItem *item = grid->item(0, column))
                item->setText(text);
            else
                grid->setItem(0, column, new QTableWidgetItem(text));
        };
        setHeading(0, QStringLiteral("№"));
        if (const auto account = AssemblyRules::noteAccountHeading(kind))
            setHeading(1, *account);
        setHeading(2, QStringLiteral("Сума"));
    }
    Doc->Memo4->fitContents();
}

} // namespace

void assembleInvoice()
{
    DocumentAssembled = true;
    AssemblyPrinted = false;
    Form1->linesOnPage();
    assembledLines = lineTableCells();
    assembledEntries.clear();
    Doc->showSelectors(Form1->selectors());
    Doc->showTotals(Form1->totals(), Form1->totalsCounted());
    copyLines();
    Doc->setLines(Form1->lines());
    takeNumberAndSupplier();
    Doc->SVpath->setText(QDir::toNativeSeparators(dataDirectory()));
    stampDates();
    Doc->Bevel3->resize(Doc->Bevel1->width(), Doc->Bevel3->height());
    Doc->Label1->move(Doc->Panel1->width() / 2 - Doc->Label1->width() / 2, Doc->Label1->y());
    showNoteBlock();
    Doc->WriteAmountInWords();
    Doc->NewExecute();
    Doc->ResizedExecute();
    Doc->greyTheFields();
    for (const QLabel *entry : pageEntries())
        assembledEntries.append(entry->text());
    Doc->show();
    Doc->raise();
}

bool linesChangedSinceAssembly() { return lineTableCells() != assembledLines; }

void assembleKeepingTypedFields()
{
    const QList<QLabel *> entries = pageEntries();
    QList<QPair<QLabel *, QString>> typed;
    for (qsizetype i = 0; i < entries.size() && i < assembledEntries.size(); ++i) {
        if (entries[i]->text() != assembledEntries[i])
            typed.append({entries[i], entries[i]->text()});
    }
    assembleInvoice();
    for (const auto &[entry, text] : typed)
        entry->setText(text);
    if (!typed.isEmpty()) {
        Doc->NewExecute();
        Doc->ResizedExecute();
    }
}
