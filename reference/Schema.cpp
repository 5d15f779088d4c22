#include "reference/Schema.h"

namespace Schema {

namespace {

// Names that two tables share.
const QString AddressName = QStringLiteral("Адрес");
const QString ManagerName = QStringLiteral("МОЛ");
const QString VatNumberName = QStringLiteral("ИН по ЗДДС BG");

Column text(const QString &name, int width) { return {name, Kind::Text, width}; }
Column anyText(const QString &name) { return {name, Kind::Text, 0}; }
Column integer(const QString &name) { return {name, Kind::Integer, 0}; }

} // namespace

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

namespace Register {
const QString FileName = QStringLiteral("Register.db");
const Column Id = integer(QStringLiteral("Ид"));
const Column Company = anyText(QStringLiteral("Фирма"));
const Column Series = anyText(QStringLiteral("Поредица"));
const Column Number = anyText(QStringLiteral("Номер"));
const Column DocumentType = anyText(QStringLiteral("Вид"));
const Column Note = anyText(QStringLiteral("Известие"));
const Column NoteInvoiceNumber = anyText(QStringLiteral("Към фактура №"));
const Column NoteInvoiceDate = anyText(QStringLiteral("Към фактура от дата"));
const Column IssueDate = anyText(QStringLiteral("Дата"));
const Column SortDate = anyText(QStringLiteral("Дата (ГГГГ-ММ-ДД)"));
const Column TaxEventDate = anyText(QStringLiteral("Дата на данъчното събитие"));
const Column PaymentDate = anyText(QStringLiteral("Дата на плащане"));
const Column CurrencySign = anyText(QStringLiteral("Валута"));
const Column FirmRecord = integer(QStringLiteral("Запис на фирмата"));
const Column Heading = anyText(QStringLiteral("Заглавие"));
const Column Supplier = anyText(QStringLiteral("Доставчик"));
const Column SupplierSecondLine = anyText(QStringLiteral("Доставчик: втори ред"));
const Column SupplierAddress = anyText(QStringLiteral("Доставчик: адрес"));
const Column SupplierAddressSecondLine = anyText(QStringLiteral("Доставчик: адрес, втори ред"));
const Column SupplierManager = anyText(QStringLiteral("Доставчик: МОЛ"));
const Column SupplierVatNumber = anyText(QStringLiteral("Доставчик: ИН по ЗДДС"));
const Column SupplierEik = anyText(QStringLiteral("Доставчик: ИН"));
const Column PlaceOfIssue = anyText(QStringLiteral("Местоиздаване"));
const Column Client = anyText(QStringLiteral("Клиент"));
const Column ClientAddress = anyText(QStringLiteral("Клиент: адрес"));
const Column ClientManager = anyText(QStringLiteral("Клиент: МОЛ"));
const Column ClientVatNumber = anyText(QStringLiteral("Клиент: ИН по ЗДДС"));
const Column ClientEik = anyText(QStringLiteral("Клиент: ИН"));
const Column PaymentTerms = anyText(QStringLiteral("Плащане"));
const Column Bank = anyText(QStringLiteral("Банка"));
const Column Iban = anyText(QStringLiteral("IBAN"));
const Column Bic = anyText(QStringLiteral("SWIFT/BIC"));
const Column TaxBase = integer(QStringLiteral("Данъчна основа (0.0001)"));
const Column VatRate = anyText(QStringLiteral("ДДС %"));
const Column Vat = integer(QStringLiteral("ДДС (0.0001)"));
const Column Total = integer(QStringLiteral("Сума за плащане (0.0001)"));
const Column Words = anyText(QStringLiteral("Словом"));
const Column VatBasis = anyText(QStringLiteral("Основание за неначисляване на ДДС"));
const Column VatBasisCaption = anyText(QStringLiteral("Надпис под основанието"));
const Column VehicleBasis = anyText(QStringLiteral("Основание за ново превозно средство"));
const Column Receiver = anyText(QStringLiteral("Получател"));
const Column Composer = anyText(QStringLiteral("Съставил"));
const Column ArchiveImage = anyText(QStringLiteral("Архивно изображение"));
const Column PdfCopy = anyText(QStringLiteral("PDF копие"));
const Column PrintedAt = anyText(QStringLiteral("Отпечатан"));
const Column Machine = anyText(QStringLiteral("Компютър"));
const Column User = anyText(QStringLiteral("Потребител"));
const Column Copies = integer(QStringLiteral("Копия"));
const Column LastCopyAt = anyText(QStringLiteral("Последно копие"));
const Column CancelledAt = anyText(QStringLiteral("Анулиран"));
const Column CancelReason = anyText(QStringLiteral("Причина за анулиране"));
const Column SearchText = anyText(QStringLiteral("Търсене"));
const Column ArchiveImageSize = integer(QStringLiteral("Архивно изображение: байтове"));
const Column ArchiveImageHash = anyText(QStringLiteral("Архивно изображение: SHA-256"));
const Column PdfCopySize = integer(QStringLiteral("PDF копие: байтове"));
const Column PdfCopyHash = anyText(QStringLiteral("PDF копие: SHA-256"));
const Column CopyImage = anyText(QStringLiteral("Копие: архивно изображение"));
const Column CopyImageSize = integer(QStringLiteral("Копие: байтове"));
const Column CopyImageHash = anyText(QStringLiteral("Копие: SHA-256"));
const Column EInvoiceFile = anyText(QStringLiteral("Е-фактура"));
const Column EInvoiceSize = integer(QStringLiteral("Е-фактура: байтове"));
const Column EInvoiceHash = anyText(QStringLiteral("Е-фактура: SHA-256"));

const QList<Column> &addedColumns()
{
    static const QList<Column> columns{ArchiveImageSize, ArchiveImageHash, PdfCopySize, PdfCopyHash,
                                       CopyImage,        CopyImageSize,    CopyImageHash,
                                       EInvoiceFile,     EInvoiceSize,     EInvoiceHash};
    return columns;
}

const Column LineDocument = integer(QStringLiteral("Документ"));
const Column LineNumber = integer(QStringLiteral("№"));
const Column LineDescription = anyText(QStringLiteral("Описание"));
const Column LineUnit = anyText(QStringLiteral("Мярка"));
const Column LineQuantity = integer(QStringLiteral("Количество (0.0001)"));
const Column LinePrice = integer(QStringLiteral("Единична цена (0.0001)"));
const Column LineValue = integer(QStringLiteral("Стойност (0.0001)"));

const Column RowDocument = LineDocument;
const Column RowPlace = integer(QStringLiteral("Ред"));
const Column RowNumber = anyText(QStringLiteral("№"));
const Column RowAccount = anyText(QStringLiteral("Сметка"));
const Column RowAmount = anyText(QStringLiteral("Сума"));

const Column PaymentDocument = LineDocument;
const Column PaidOn = anyText(QStringLiteral("Дата на плащането"));
const Column PaymentAmount = integer(QStringLiteral("Сума (0.0001)"));
const Column PaidIn = anyText(QStringLiteral("Платено във валута"));
const Column AmountPaidIn = integer(QStringLiteral("Платена сума (0.0001)"));
const Column PaymentWayName = anyText(QStringLiteral("Начин"));
const Column PaymentNote = anyText(QStringLiteral("Бележка"));
const Column EnteredBy = anyText(QStringLiteral("Въведено от"));
const Column EnteredAt = anyText(QStringLiteral("Въведено на"));

namespace {
const QString DocumentsTable = QStringLiteral("Документи");
const QString LinesTable = QStringLiteral("Редове");
const QString NoteRowsTable = QStringLiteral("Редове на известието");
const QString PaymentsTable = QStringLiteral("Плащания");

QString index(const QString &name, const QString &table, const QString &columns, bool unique = false)
{
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(unique ? QStringLiteral("UNIQUE ") : QString(), quoted(name), quoted(table), columns);
}
} // namespace

const Table &documents()
{
    static const Table table{
        FileName, DocumentsTable,
        {Id, Company, Series, Number, DocumentType, Heading, Note, NoteInvoiceNumber, NoteInvoiceDate, IssueDate, SortDate,
         TaxEventDate, PaymentDate, CurrencySign, FirmRecord, Supplier, SupplierSecondLine, SupplierAddress,
         SupplierAddressSecondLine, SupplierManager,
         SupplierVatNumber, SupplierEik, PlaceOfIssue, Client, ClientAddress, ClientManager, ClientVatNumber,
         ClientEik, PaymentTerms, Bank, Iban, Bic, TaxBase, VatRate, Vat, Total, Words, VatBasis, VatBasisCaption,
         VehicleBasis, Receiver, Composer, ArchiveImage, PdfCopy, PrintedAt, Machine, User, Copies, LastCopyAt, CancelledAt,
         CancelReason, SearchText, ArchiveImageSize, ArchiveImageHash, PdfCopySize, PdfCopyHash, CopyImage,
         CopyImageSize, CopyImageHash, EInvoiceFile, EInvoiceSize, EInvoiceHash},
        {index(QStringLiteral("Един номер веднъж"), DocumentsTable,
               quoted(Company.name) + u',' + quoted(Series.name) + u',' + quoted(Number.name), true),
         index(QStringLiteral("По дата"), DocumentsTable, quoted(SortDate.name) + u',' + quoted(Id.name)),
         creditNotesIndex()}};
    return table;
}

const QString CreditNotesIndexName = QStringLiteral("Известия");

QString creditNotesIndex()
{
    return index(CreditNotesIndexName, DocumentsTable, quoted(Note.name));
}

const Table &lines()
{
    static const Table table{
        FileName, LinesTable,
        {LineDocument, LineNumber, LineDescription, LineUnit, LineQuantity, LinePrice, LineValue},
        {index(QStringLiteral("Редове по документ"), LinesTable,
               quoted(LineDocument.name) + u',' + quoted(LineNumber.name))}};
    return table;
}

const Table &noteRows()
{
    static const Table table{
        FileName, NoteRowsTable,
        {RowDocument, RowPlace, RowNumber, RowAccount, RowAmount},
        {index(QStringLiteral("Редове на известие по документ"), NoteRowsTable,
               quoted(RowDocument.name) + u',' + quoted(RowPlace.name), true)}};
    return table;
}

const Table &payments()
{
    static const Table table{
        FileName, PaymentsTable,
        {PaymentDocument, PaidOn, PaymentAmount, PaidIn, AmountPaidIn, PaymentWayName, PaymentNote, EnteredBy, EnteredAt},
        {index(QStringLiteral("Плащания по документ"), PaymentsTable, quoted(PaymentDocument.name))}};
    return table;
}

const QString PurchasesTable = QStringLiteral("Покупки");
const Column PurchaseSupplier = anyText(QStringLiteral("Доставчик"));
const Column PurchaseSupplierVat = anyText(QStringLiteral("ИН по ЗДДС на доставчика"));
const Column PurchaseSupplierEik = anyText(QStringLiteral("ЕИК на доставчика"));
const Column PurchaseType = anyText(QStringLiteral("Вид на документа"));
const Column PurchaseNumber = anyText(QStringLiteral("Номер на документа"));
const Column PurchaseDate = anyText(QStringLiteral("Дата на документа (ГГГГ-ММ-ДД)"));
const Column PurchaseDescription = anyText(QStringLiteral("Стока или услуга"));
const Column PurchaseCurrency = anyText(QStringLiteral("Валута"));
const Column PurchaseCredit = anyText(QStringLiteral("Данъчен кредит"));
const Column PurchaseProtocol = anyText(QStringLiteral("Протокол по чл. 117"));
const Column PurchaseEnteredAt = anyText(QStringLiteral("Въведен"));

const Table &purchases()
{
    static const Table table{
        FileName, PurchasesTable,
        {Company, PurchaseSupplier, PurchaseSupplierVat, PurchaseSupplierEik, PurchaseType, PurchaseNumber, PurchaseDate,
         PurchaseDescription, PurchaseCurrency, TaxBase, Vat, PurchaseCredit, PurchaseProtocol, PurchaseEnteredAt,
         CancelledAt, CancelReason},
        {index(QStringLiteral("Една покупка веднъж"), PurchasesTable,
               QStringList{quoted(Company.name), quoted(PurchaseSupplierVat.name), quoted(PurchaseSupplierEik.name),
                           quoted(PurchaseType.name), quoted(PurchaseNumber.name)}
                   .join(u','),
               true),
         index(QStringLiteral("Покупки по дата"), PurchasesTable, quoted(PurchaseDate.name))}};
    return table;
}
} // namespace Register

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

} // namespace Schema
