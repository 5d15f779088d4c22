// other_program_helper lock <table file> <milliseconds>
//   Holds the write lock of the table file for that long (0: until killed),
//   printing "locked" once it holds it; where the file's folder names a
//   server, the lock of the table of that name there.
// other_program_helper take <data folder> <count>
//   Takes one unit from the stock of the first goods record, one write at a
//   time as the pick does (on the server the folder names, if any), and prints how many it took and how many were
//   refused for want of stock.
// other_program_helper register <data folder> <count>
//   Prints `count` invoices numbered 1, 2, ... of the first own company
//   through the register, each to a client named after this process; prints
//   every number it recorded and, for a number the register refused, "refused"
//   and the client the refusal names.
// other_program_helper pay <data folder> <count>
//   Enters `count` payments of 0.01 against the register's first document,
//   one at a time.

#include "common/Amount.h"
#include "common/Failure.h"
#include "reference/TableStore.h"
#include "register/RegisterStore.h"
#include "server/ServerConnection.h"
#include "support/SampleInvoice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QThread>

namespace {

int holdLock(const QString &file, int milliseconds)
{
    const std::optional<QString> server = Server::connectionString(QFileInfo(file).path());
    QSqlDatabase database;
    if (server) {
        database = Server::connect(QStringLiteral("lock"), *server);
    } else {
        database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        database.setDatabaseName(file);
        if (!database.open())
            return 1;
    }
    QSqlQuery query(database);
    if (server ? !query.exec(QStringLiteral("BEGIN; LOCK TABLE \"%1\" IN EXCLUSIVE MODE")
                                 .arg(QFileInfo(file).completeBaseName()))
               : !query.exec(QStringLiteral("BEGIN EXCLUSIVE")))
        return 1;
    QTextStream(stdout) << "locked" << Qt::endl;
    if (milliseconds == 0) {
        for (;;)
            QThread::sleep(60);
    }
    QThread::msleep(milliseconds);
    return query.exec(QStringLiteral("COMMIT")) ? 0 : 1;
}

int takeUnits(const QString &folder, int count)
{
    TableStore table;
    table.setDatabaseName(folder);
    table.setTableName(QStringLiteral("stock.db"));
    table.open();
    int taken = 0;
    int refused = 0;
    const Amount one = Amount::parseOrThrow(u"1");
    for (int i = 0; i < count; ++i) {
        const bool took = table.changeStored(QStringLiteral("К-во"), [&](const QString &stored) -> std::optional<QString> {
            const Amount stock = Amount::parseOrThrow(stored);
            if (one > stock)
                return std::nullopt;
            return (stock - one).text();
        });
        ++(took ? taken : refused);
    }
    QTextStream(stdout) << taken << ' ' << refused << Qt::endl;
    return 0;
}

int recordInRegister(const QString &folder, int count)
{
    RegisterStore store(folder);
    const QString client = QStringLiteral("Програма %1").arg(QCoreApplication::applicationPid());
    QTextStream out(stdout);
    for (int i = 1; i <= count; ++i) {
        try {
            store.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, QString::number(i),
                                            client),
                              {}, PrintMode::Original);
            out << i << Qt::endl;
        } catch (const Failure &failure) {
            const QString text = failure.text();
            const qsizetype from = text.indexOf(QStringLiteral("„"));
            out << "refused " << text.mid(from + 1, text.indexOf(QStringLiteral("“")) - from - 1) << Qt::endl;
        }
    }
    return 0;
}

int payInRegister(const QString &folder, int count)
{
    RegisterStore store(folder);
    const qint64 document = store.find({}).value(0);
    for (int i = 0; i < count; ++i)
        store.recordPayment(paymentOf(document, QDate(2026, 3, 1), Amount::fromUnits(100), Currency::Euro,
                                      Currency::Euro, PaymentWay::Bank));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4)
        return 2;
    try {
        if (arguments[1] == QLatin1String("lock"))
            return holdLock(arguments[2], arguments[3].toInt());
        if (arguments[1] == QLatin1String("take"))
            return takeUnits(arguments[2], arguments[3].toInt());
        if (arguments[1] == QLatin1String("register"))
            return recordInRegister(arguments[2], arguments[3].toInt());
        if (arguments[1] == QLatin1String("pay"))
            return payInRegister(arguments[2], arguments[3].toInt());
    } catch (const Failure &failure) {
        QTextStream(stderr) << failure.text() << Qt::endl;
        return 1;
    }
    return 2;
}
