#include "reference/Schema.h"

namespace Schema {

namespace {

// Names that two tables share.
const QString AddressName = QStringLiteral("Адрес");
const QString ManagerName = QStringLiteral("МОЛ");
const QString VatNumberName = QStringLiteral("ИН по ЗДДС BG");

Column text(const QString &name, int width) { return {name, Kind::Text, width}; }

} // namespace

const QString KeyColumn = QStringLiteral("__order");

namespace Firm {
const QString FileName = QStringLiteral("Firm.db");
const Column Supplier = text(QStringLiteral("ДОСТАВЧИК"), 60);
const Column SupplierSecondLine = text(QStringLiteral("ДОСТАВЧИК (втори ред)"), 60);
const Column Address = text(AddressName, 60);
const Column AddressSecondLine = text(QStringLiteral("Адрес (втори ред)"), 60);
const Column Manager = text(ManagerName, 40);
const Column VatNumber = text(VatNumberName, 20);
const Column IdNumber = text(QStringLiteral("ИН"), 20);
const Column PlaceOfIssue = text(QStringLiteral("Местоиздаване"), 40);
const Column Logo = {QStringLiteral("Лого"), Kind::Picture, 0};
const Column LastInvoice = text(QStringLiteral("Фактура №"), 10);
const Column LastProforma = text(QStringLiteral("Проформа №"), 10);
} // namespace Firm

namespace Bank {
const QString FileName = QStringLiteral("Details.db");
const Column Name = text(QStringLiteral("Bank"), 60);
const Column Iban = text(QStringLiteral("IBAN"), 34);
const Column Swift = text(QStringLiteral("SWIFT"), 11);
} // namespace Bank

namespace Goods {
const QString FileName = QStringLiteral("stock.db");
const Column Number = text(QStringLiteral("Пор. №"), 6);
const Column Description = {QStringLiteral("Описание на стока/услуга"), Kind::Memo, 0};
const Column Unit = text(QStringLiteral("Мярка"), 10);
const Column Price = text(QStringLiteral("Продажна цена"), 20);
const Column Quantity = text(QStringLiteral("К-во"), 20);
const QString DescriptionAsBound = Description.name.left(1).toLower() + Description.name.mid(1);
} // namespace Goods

namespace Clients {
const QString FileName = QStringLiteral("customer.db");
const Column Company = text(QStringLiteral("Фирма"), 60);
const Column IdNumber = text(QStringLiteral("Идент №"), 40);
const Column VatNumber = text(VatNumberName, 20);
const Column Address = text(AddressName, 40);
const Column Manager = text(ManagerName, 40);
const Column Phone = text(QStringLiteral("Телефон"), 15);
const Column Fax = text(QStringLiteral("Факс"), 15);
} // namespace Clients

namespace {

QString sqlName(const QString &fileName) { return fileName.left(fileName.lastIndexOf(u'.')); }

QList<Table> makeTables()
{
    using namespace Firm;
    const QString clients = sqlName(Clients::FileName);
    return {
        {FileName, sqlName(FileName),
         {Supplier, SupplierSecondLine, Address, AddressSecondLine, Manager, VatNumber, IdNumber,
          PlaceOfIssue, Logo, LastInvoice, LastProforma},
         {}},
        {Bank::FileName, sqlName(Bank::FileName), {Bank::Name, Bank::Iban, Bank::Swift}, {}},
        {Goods::FileName, sqlName(Goods::FileName),
         {Goods::Number, Goods::Description, Goods::Unit, Goods::Price, Goods::Quantity},
         {}},
        {Clients::FileName, clients,
         {Clients::Company, Clients::IdNumber, Clients::VatNumber, Clients::Address, Clients::Manager,
          Clients::Phone, Clients::Fax},
         // Kept as the tables have always had it; the program never selects it.
         {QStringLiteral("CREATE INDEX %1 ON %2 (%3 COLLATE NOCASE)")
              .arg(quoted(QStringLiteral("ByNo")), quoted(clients), quoted(Clients::IdNumber.name))}},
    };
}

} // namespace

const QList<Table> &tables()
{
    static const QList<Table> all = makeTables();
    return all;
}

QString declaredType(const Column &column)
{
    switch (column.kind) {
    case Kind::Memo:
        return QStringLiteral("CLOB");
    case Kind::Picture:
        return QStringLiteral("BLOB");
    case Kind::Text:
        break;
    }
    return QStringLiteral("VARCHAR(%1)").arg(column.width);
}

QString quoted(const QString &identifier)
{
    QString text = identifier;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

} // namespace Schema
