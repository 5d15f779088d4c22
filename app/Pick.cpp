#include "app/Pick.h"

#include "common/Amount.h"
#include "common/Failure.h"
#include "common/Logging.h"
#include "document/Document.h"
#include "lines/LineRules.h"
#include "lines/Unit1.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "reference/PriceConversion.h"
#include "reference/Schema.h"
#include "reference/TableStore.h"
#include "reference/Unit4.h"

#include <QLocale>

namespace {

const QString GoodsGoneMessage =
    QStringLiteral("Стоката на реда вече не е в таблицата със стоки: количеството не може да бъде променено.");
const QString TooLargeStockMessage =
    QStringLiteral("Наличното количество на стоката „%1“ е твърде голямо, за да бъде прочетено.");

// A stock text as a quantity; one that is not a number, or too large, fails.
Amount stockAmount(const QString &text)
{
    bool tooLarge = false;
    if (const auto stock = Amount::parse(text, &tooLarge))
        return *stock;
    throw Failure(tooLarge ? TooLargeStockMessage.arg(text) : notANumberMessage(text));
}

// A sale price in the currency of the document: a goods table in the other
// currency has its price converted at the fixed rate. A price that is no
// number stays as it is, for the add action to refuse.
QString documentPrice(const TableStore &goods, const QString &price)
{
    const Currency document = Form1->currency();
    if (PriceConversion::goodsCurrency(goods) == document)
        return price;
    const auto converted =
        document == Currency::Euro ? PriceConversion::toEuro(price) : PriceConversion::toLeva(price);
    return converted.value_or(price);
}

void pickClient(TableStore &table)
{
    using namespace Schema::Clients;
    Doc->Label33->setText(table.text(Company.name));
    Doc->Label65->setText(table.text(IdNumber.name));
    Doc->Label34->setText(table.text(VatNumber.name));
    Doc->Label29->setText(table.text(Address.name));
    Doc->Label30->setText(table.text(Manager.name));
    Doc->Label35->setText(table.text(Manager.name));
}

void giveBackStock(TableStore &table, const QString &before, const QString &after, const Amount &quantity)
{
    // The stock goes down only for a line the add action took. Unless
    // another program changed it meanwhile, it reads exactly as before.
    table.changeStored(Schema::Goods::Quantity.name, [&](const QString &stored) -> std::optional<QString> {
        if (stored == after)
            return before;
        return (stockAmount(stored) + quantity).text();
    });
}

void pickGoods(TableStore &table)
{
    using namespace Schema::Goods;
    if (table.text(Quantity.name) != QLatin1String("0")) {
        Form1->ComboBox3->setText(table.text(Number.name));
        Form1->Stock->setPlainText(LineRules::memoLines(table.text(DescriptionAsBound)).join(u'\n'));
        Form1->Edit4->setText(table.text(Unit.name));
        Form1->Edit1->setText(documentPrice(table, table.text(Price.name)));
        const std::optional<QString> entered = prompts().input(QString(), QuantityPrompt, QStringLiteral("1"));
        if (!entered) {
            Form1->AddLine();  // refuses for want of a quantity
        } else {
            stockAmount(table.text(Quantity.name));  // the shown stock must be a number
            // Typed as the line table reads it: the regional decimal sign or the point.
            bool tooLarge = false;
            const std::optional<Amount> read = LineRules::readTypedNumber(*entered, QLocale::system(), &tooLarge);
            if (!read)
                throw Failure(tooLarge ? tooLargeMessage(*entered) : notANumberMessage(*entered));
            const Amount quantity = *read;
            // Only a credit note takes goods back into the stock.
            if (quantity < Amount() && noteKindOf(Form1->ComboBox1->currentText()) != NoteKind::Credit) {
                prompts().information(NegativeMessage);
                Form1->AddLine();  // refuses for want of a quantity
                return;
            }
            takeStockAndAddLine(table, quantity, *entered);
        }
    }
    if (table.text(Quantity.name) == QLatin1String("0"))
        prompts().information(ExhaustedMessage);
}

} // namespace

bool takeStockAndAddLine(TableStore &table, const Amount &quantity, const QString &entered)
{
    using namespace Schema::Goods;
    // Checked and taken against the stock as stored at this moment, in one
    // write: another program may have changed it since it was shown, and may
    // be picking the same goods.
    QString stockBefore, stockAfter;
    const bool taken = table.changeStored(Quantity.name, [&](const QString &stored) -> std::optional<QString> {
        const Amount stock = stockAmount(stored);
        if (quantity > stock)
            return std::nullopt;
        stockBefore = stored;
        stockAfter = (stock - quantity).text();
        return stockAfter;
    });
    if (!taken) {
        prompts().information(NotEnoughMessage);
        Form1->AddLine();  // refuses for want of a quantity
        return false;
    }
    Form1->Edit3->setText(entered);
    if (!Form1->AddLine()) {
        giveBackStock(table, stockBefore, stockAfter, quantity);
        return false;
    }
    if (const std::optional<qint64> key = table.currentKey(); key && quantity != Amount())
        Form1->stockTaken(*key, quantity);
    return true;
}

void showBank(TableStore &table)
{
    using namespace Schema::Bank;
    Doc->Label38->setText(table.text(Name.name));
    Doc->Label39->setText(table.text(Iban.name));
    Doc->Label53->setText(table.text(Swift.name));
}

void showOwnCompany(TableStore &table, const QPixmap &logo)
{
    using namespace Schema::Firm;
    if (logo.isNull())
        Doc->Image2->clear();
    else
        Doc->Image2->setPixmap(logo);
    Doc->Label46->setText(table.text(Supplier.name));
    Doc->Label63->setText(table.text(SupplierSecondLine.name));
    Doc->Label47->setText(table.text(Address.name));
    Doc->Label54->setText(table.text(AddressSecondLine.name));
    Doc->Label49->setText(table.text(Manager.name));
    Doc->Label11->setText(table.text(VatNumber.name));
    Doc->Label10->setText(table.text(IdNumber.name));
    Doc->Label16->setText(table.text(PlaceOfIssue.name));
    Doc->Label52->setText(table.text(Manager.name));
}

void giveBackGoods(qint64 goodsKey, const Amount &quantity)
{
    TableStore goods;
    goods.setDatabaseName(dataDirectory());
    goods.setTableName(Schema::Goods::FileName);
    goods.open();
    if (!goods.setCurrentKey(goodsKey)) {
        qCWarning(lcApp) << "goods record" << goodsKey << "is gone; its stock of" << quantity.text() << "stays out";
        return;
    }
    goods.changeStored(Schema::Goods::Quantity.name, [&](const QString &stored) -> std::optional<QString> {
        return (stockAmount(stored) + quantity).text();
    });
    // The browser shows the stock as stored.
    TableStore *shown = Form4->Table1;
    if (shown->isActive() && shown->tableName() == Schema::Goods::FileName)
        shown->refresh();
}

bool changeGoodsStock(qint64 goodsKey, const Amount &more)
{
    TableStore goods;
    goods.setDatabaseName(dataDirectory());
    goods.setTableName(Schema::Goods::FileName);
    goods.open();
    if (!goods.setCurrentKey(goodsKey))
        throw Failure(GoodsGoneMessage);
    const bool taken = goods.changeStored(Schema::Goods::Quantity.name, [&](const QString &stored) -> std::optional<QString> {
        const Amount stock = stockAmount(stored);
        if (more > stock)
            return std::nullopt;
        return (stock - more).text();
    });
    if (!taken)
        prompts().information(NotEnoughMessage);
    // The browser shows the stock as stored.
    TableStore *shown = Form4->Table1;
    if (taken && shown->isActive() && shown->tableName() == Schema::Goods::FileName)
        shown->refresh();
    return taken;
}

PickLinks pickLinks()
{
    return {pickClient, pickGoods, showBank, showOwnCompany};
}
