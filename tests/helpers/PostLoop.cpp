// post_loop_helper <data folder> <first number> <count>
// Inserts records into stock.db of the data folder one post at a time, each
// before the current record, and prints the number of every post that has
// returned. The kill test stops it half-way.

#include "common/Failure.h"
#include "reference/TableStore.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4)
        return 2;
    QTextStream out(stdout);
    try {
        TableStore table;
        table.setDatabaseName(arguments[1]);
        table.setTableName(QStringLiteral("stock.db"));
        table.open();
        const int from = arguments[2].toInt();
        const int count = arguments[3].toInt();
        for (int i = from; i < from + count; ++i) {
            table.first();
            table.insert();
            table.setText(QStringLiteral("Пор. №"), QString::number(i));
            table.setText(QStringLiteral("Описание на стока/услуга"),
                          QStringLiteral("Стока %1\nвтори ред на стока %1").arg(i));
            table.setText(QStringLiteral("К-во"), QString::number(i * 2));
            table.post();
            out << i << Qt::endl;
        }
    } catch (const Failure &failure) {
        QTextStream(stderr) << failure.text() << Qt::endl;
        return 1;
    }
    return 0;
}
