#include "reference/PriceConversion.h"
#include "reference/Schema.h"

#include "common/Amount.h"
#include "common/Failure.h"
#include "reference/TableStore.h"
#include "server/ServerConnection.h"
#include "store/Transaction.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace PriceConversion {

namespace {

const QString GoodsTable = QStringLiteral("\"stock\"");
// The mark: a table of its own, beside the goods, that the program never shows.
const QString MarkTable = Schema::quoted(QLatin1String(MarkTableName));

// 30 significant digits and 30 decimals at most keep every step of toEuro()
// inside 128 bits: 2 * 10^30 * 10^7 and 2 * 195583 * 10^30 are below 2^128.
constexpr int MaxDigits = 30;

using Wide = unsigned __int128;

QString decimalText(Wide value)
{
    QString digits;
    do {
        digits.prepend(QChar(u'0' + int(value % 10)));
        value /= 10;
    } while (value > 0);
    return digits;
}

QString nativePath(const QString &path) { return QDir::toNativeSeparators(path); }

void run(QSqlQuery &query, const QString &statement)
{
    if (!query.exec(statement))
        throw Failure(QStringLiteral("Цените не са преобразувани: %1").arg(query.lastError().text()));
}

struct Price {
    qint64 rowid;
    QString euro;
};

// The characters the price column takes as the table declares it
// ("VARCHAR(20)"); 0 where it sets no limit.
int declaredPriceWidth(QSqlDatabase &database)
{
    QSqlQuery query(database);
    query.prepare(QStringLiteral("SELECT type FROM pragma_table_info('stock') WHERE name = ?"));
    query.addBindValue(Schema::Goods::Price.name);
    if (!query.exec())
        throw Failure(QStringLiteral("Цените не са преобразувани: %1").arg(query.lastError().text()));
    static const QRegularExpression width(QStringLiteral("\\(\\s*([0-9]+)"));
    const auto match = width.match(query.next() ? query.value(0).toString() : QString());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// The new price of every record; the first price that cannot be converted
// exactly into the column stops it all.
QList<Price> convertedPrices(QSqlDatabase &database)
{
    const int width = declaredPriceWidth(database);
    QSqlQuery query(database);
    run(query, QStringLiteral("SELECT rowid, \"%1\" FROM %2 ORDER BY rowid").arg(Schema::Goods::Price.name, GoodsTable));
    QList<Price> prices;
    for (int record = 1; query.next(); ++record) {
        const QString leva = query.value(1).toString();
        bool tooManyDigits = false;
        const auto euro = toEuro(leva, &tooManyDigits);
        if (!euro && tooManyDigits)
            throw Failure(QStringLiteral("Продажната цена „%1“ в запис %2 има твърде много цифри, за да бъде "
                                         "преобразувана точно: нито една цена не е преобразувана.")
                              .arg(leva)
                              .arg(record));
        if (!euro)
            throw Failure(QStringLiteral("Продажната цена „%1“ в запис %2 не е число: нито една цена не е "
                                         "преобразувана.")
                              .arg(leva)
                              .arg(record));
        if (width > 0 && euro->size() > width)
            throw Failure(QStringLiteral("Продажната цена „%1“ в запис %2 е твърде голяма: в евро („%3“) не се "
                                         "побира в колоната от %4 знака. Нито една цена не е преобразувана.")
                              .arg(leva)
                              .arg(record)
                              .arg(*euro)
                              .arg(width));
        if (!euro->isEmpty())
            prices.append({query.value(0).toLongLong(), *euro});
    }
    return prices;
}

void refuseSecondConversion(QSqlDatabase &database, const QString &path)
{
    QSqlQuery query(database);
    run(query, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                   .arg(QLatin1String(MarkTableName)));
    if (!query.next() || query.value(0).toInt() == 0)
        return;
    run(query, QStringLiteral("SELECT \"Преобразувано\" FROM %1").arg(MarkTable));
    const QString when = query.next() ? query.value(0).toString() : QString();
    throw Failure(QStringLiteral("Цените в „%1“ вече са преобразувани в евро (%2). Второ преобразуване не "
                                 "е направено.")
                      .arg(nativePath(path), when));
}

QString takeCopy(const QString &path)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString copy = QFileInfo(path).dir().filePath(
        QStringLiteral("stock-leva-%1.db").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    if (QFileInfo::exists(copy) || !QFile::copy(path, copy))
        throw Failure(QStringLiteral("Копието „%1“ на таблицата не може да бъде направено: цените не са "
                                     "преобразувани.")
                          .arg(nativePath(copy)));
    return copy;
}

void writePrices(QSqlDatabase &database, const QList<Price> &prices, const QString &copy)
{
    QSqlQuery update(database);
    update.prepare(QStringLiteral("UPDATE %1 SET \"%2\" = ? WHERE rowid = ?").arg(GoodsTable, Schema::Goods::Price.name));
    for (const Price &price : prices) {
        update.addBindValue(price.euro);
        update.addBindValue(price.rowid);
        if (!update.exec())
            throw Failure(QStringLiteral("Цените не са преобразувани: %1").arg(update.lastError().text()));
    }
    QSqlQuery mark(database);
    run(mark, markTableStatement());
    mark.prepare(QStringLiteral("INSERT INTO %1 VALUES ('EUR', ?, ?, ?)").arg(MarkTable));
    mark.addBindValue(QString::fromLatin1(Rate));
    mark.addBindValue(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    mark.addBindValue(QFileInfo(copy).fileName());
    if (!mark.exec())
        throw Failure(QStringLiteral("Цените не са преобразувани: %1").arg(mark.lastError().text()));
}

Outcome convert(QSqlDatabase &database, const QString &path)
{
    Transaction transaction(database);
    refuseSecondConversion(database, path);
    const QList<Price> prices = convertedPrices(database);
    // Taken under the write lock, before anything changes: the copy is the
    // table exactly as it was in leva.
    const QString copy = takeCopy(path);
    try {
        writePrices(database, prices, copy);
        transaction.commit();
    } catch (...) {
        QFile::remove(copy);
        throw;
    }
    return {int(prices.size()), copy};
}

} // namespace

std::optional<QString> toEuro(const QString &leva, bool *tooManyDigits)
{
    if (tooManyDigits)
        *tooManyDigits = false;
    const QString text = leva.trimmed();
    if (text.isEmpty())
        return QString();
    static const QRegularExpression form(QStringLiteral("^(-?)([0-9]*)(?:[.,]([0-9]*))?$"));
    const auto match = form.match(text);
    if (!match.hasMatch() || (match.captured(2).isEmpty() && match.captured(3).isEmpty()))
        return std::nullopt;

    // Zeros in front and decimal zeros at the end do not change the price.
    QString decimals = match.captured(3);
    while (decimals.endsWith(u'0'))
        decimals.chop(1);
    QString significant = match.captured(2) + decimals;
    qsizetype zeros = 0;
    while (zeros < significant.size() && significant[zeros] == u'0')
        ++zeros;
    significant.remove(0, zeros);
    if (significant.size() > MaxDigits || decimals.size() > MaxDigits) {
        if (tooManyDigits)
            *tooManyDigits = true;
        return std::nullopt;
    }

    // price = digits / 10^decimals; cents = price * 100 / 1.95583, exactly.
    Wide digits = 0;
    for (QChar c : std::as_const(significant))
        digits = digits * 10 + (c.unicode() - u'0');
    Wide divisor = 195583;
    for (qsizetype i = 0; i < decimals.size(); ++i)
        divisor *= 10;
    const Wide scaled = digits * 10'000'000;  // 100 cents times the rate's 10^5
    const Wide cents = (2 * scaled + divisor) / (2 * divisor);  // half up

    const bool negative = match.captured(1) == u"-" && cents > 0;
    return (negative ? QStringLiteral("-") : QString()) + decimalText(cents / 100) + u'.'
           + decimalText(cents % 100).rightJustified(2, u'0');
}

std::optional<QString> toLeva(const QString &euro)
{
    QString text = euro.trimmed();
    if (text.isEmpty())
        return QString();
    const auto price = Amount::parse(text.replace(u',', u'.'));
    if (!price)
        return std::nullopt;
    // ten-thousandths times the rate's 10^5 give 10^-9; a cent is 10^7 of them.
    const __int128 scaled = __int128(price->units()) * 195583;
    const __int128 half = 5'000'000;
    const auto cents = qint64((scaled >= 0 ? scaled + half : scaled - half) / 10'000'000);
    const qint64 whole = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(whole / 100)
        .arg(whole % 100, 2, 10, QLatin1Char('0'));
}

QString markTableStatement()
{
    return QStringLiteral("CREATE TABLE %1 (\"Валута\" TEXT, \"Курс\" TEXT, \"Преобразувано\" TEXT, "
                          "\"Копие в лева\" TEXT)")
        .arg(MarkTable);
}

Currency goodsCurrency(const TableStore &goods)
{
    return goods.hasTable(QLatin1String(MarkTableName)) ? Currency::Euro : Currency::Leva;
}

Outcome convertGoodsToEuro(const QString &dataFolder)
{
    // The file a move to the server left behind is not what the program reads.
    if (const std::optional<QString> connection = Server::connectionString(dataFolder))
        throw Failure(QStringLiteral("Таблиците в „%1“ са на %2, а цените се преобразуват във файла. Преместете "
                                     "таблиците от сървъра (--from-server), преобразувайте цените и ги преместете "
                                     "отново (--to-server). Нищо не е променено.")
                          .arg(nativePath(dataFolder), Server::address(*connection).describe()));
    const QString path = QDir(dataFolder).filePath(Schema::Goods::FileName);
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("Таблицата със стоките „%1“ липсва.").arg(nativePath(path)));
    const QString connection = QStringLiteral("bilvaro.prices.") + QUuid::createUuid().toString();
    Outcome outcome;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        try {
            if (!database.open())
                throw Failure(QStringLiteral("Таблицата „%1“ не може да бъде отворена: %2")
                                  .arg(nativePath(path), database.lastError().text()));
            outcome = convert(database, path);
        } catch (...) {
            database.close();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            throw;
        }
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return outcome;
}

} // namespace PriceConversion
