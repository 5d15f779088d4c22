#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The four reference tables: their files, their columns in order, and the
// kind and declared width of every column. Whatever names a table or a column
// (the table maker, the demo data, the browser, the pick, the assembly, the
// printing) takes the name from here, so a renamed column no longer compiles
// where it is still used under its old name.
//
// The names are globals initialised at start-up: use them inside functions,
// not in the initialisers of other globals.
namespace Schema {

enum class Kind { Text, Memo, Picture };

struct Column {
    QString name;
    Kind kind = Kind::Text;
    int width = 0;  // the characters a text column holds; 0 for a memo or a picture
};

struct Table {
    QString fileName;  // in the data directory
    QString sqlName;   // the table inside the file
    QList<Column> columns;
    QStringList extraStatements;  // indexes, run after the table is made
};

// Own companies: one record per company the user invoices as.
namespace Firm {
extern const QString FileName;
extern const Column Supplier, SupplierSecondLine, Address, AddressSecondLine, Manager, VatNumber,
    IdNumber, PlaceOfIssue, Logo;
// The numbers of the last invoice and the last proforma printed.
extern const Column LastInvoice, LastProforma;
} // namespace Firm

// Bank accounts.
namespace Bank {
extern const QString FileName;
extern const Column Name, Iban, Swift;
} // namespace Bank

// Goods and services with their stock.
namespace Goods {
extern const QString FileName;
extern const Column Number, Description, Unit, Price, Quantity;
// The browser binds the description memo under this spelling, with a small
// first letter; columns are found whatever the case of their letters.
extern const QString DescriptionAsBound;
} // namespace Goods

// Clients.
namespace Clients {
extern const QString FileName;
extern const Column Company, IdNumber, VatNumber, Address, Manager, Phone, Fax;
} // namespace Clients

// The four tables, in the order of the main menu's buttons.
const QList<Table> &tables();

// The SQL type a column is declared with: VARCHAR(width), CLOB or BLOB.
QString declaredType(const Column &column);

// An SQL identifier in double quotes, with the quotes inside it doubled.
QString quoted(const QString &identifier);

// The integer key of a record is its place in the table's order. The table
// maker's records are this far apart, so that a record inserted between two
// others takes the middle of their gap. (The store appends its own records
// RecordKeys::AppendGap apart.)
constexpr qint64 MakerKeyStep = qint64(1) << 24;
// The key column of the tables the program makes; the program does not show it.
extern const QString KeyColumn;

} // namespace Schema
