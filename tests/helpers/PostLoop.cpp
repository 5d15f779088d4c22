// post_loop_helper <data folder> <first number> <count>
// Inserts records into stock.db of the data folder one post at a time, each
// before the current record, and prints the number of every post that has
// returned. The kill test stops it half-way.

#include "reference/TableStore.h"
#include "WriteLoop.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    TableStore table;
    return runWriteLoop(
        arguments, 4,
        [&] {
            table.setDatabaseName(arguments[1]);
            table.setTableName(QStringLiteral("stock.db"));
            table.open();
        },
        [&](int i) {
            table.first();
            table.insert();
            table.setText(QStringLiteral("Пор. №"), QString::number(i));
            table.setText(QStringLiteral("Описание на стока/услуга"),
                          QStringLiteral("Стока %1\nвтори ред на стока %1").arg(i));
            table.setText(QStringLiteral("К-во"), QString::number(i * 2));
            table.post();
            return true;
        });
}
