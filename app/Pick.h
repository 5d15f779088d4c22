#pragma once

#include <QString>
#include <QtGlobal>

class Amount;
class QPixmap;
class QString;
class TableStore;
struct PickLinks;

// What the browser's "Добави" does with the current record of each table: a
// client or the own company onto the page, a bank into its fields, goods
// into a line of the line table after the quantity is asked and the stock
// taken.
PickLinks pickLinks();

// What the pick of goods asks and says.
inline const QString QuantityPrompt = QStringLiteral("Въведете количество за избраната стока:");
inline const QString NotEnoughMessage = QStringLiteral("Няма толкова количество в наличност!");
inline const QString ExhaustedMessage = QStringLiteral("Количеството на стоката е изчерпано!");
inline const QString NegativeMessage =
    QStringLiteral("Отрицателно количество се въвежда само в кредитно известие: то връща стоката в наличност.");

// Adds back to the stored stock of the goods record with the key what a line
// took, in one write against the stock as stored. A record deleted meanwhile
// takes nothing back.
void giveBackGoods(qint64 goodsKey, const Amount &quantity);

// Takes the quantity from the stock of the table's current goods record, as
// stored at this moment and in one write, and adds the line staged in the
// line table with the quantity as entered. A stock that does not hold it is
// told to the user and adds nothing; so does a line the add action refuses,
// whose stock goes back. Returns whether the line was added.
bool takeStockAndAddLine(TableStore &table, const Amount &quantity, const QString &entered);

// Takes a further quantity of the goods record with the key from its stored
// stock, in one write (a negative quantity gives it back). A stock that does
// not hold it is told to the user and taken from nothing: false.
bool changeGoodsStock(qint64 goodsKey, const Amount &more);

// The own company of the table's current record, with its logo, and a bank
// of the bank table, onto the page as a pick puts them.
void showOwnCompany(TableStore &table, const QPixmap &logo);
void showBank(TableStore &table);
