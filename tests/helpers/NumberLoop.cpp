// number_loop_helper <data folder> <first number> <count>
// Records invoice numbers one after another as the last one of the first
// own company in Firm.db of the data folder, as printing does, and prints
// every number whose write has returned. The kill test stops it half-way.

#include "reference/DocumentNumber.h"
#include "reference/TableStore.h"
#include "WriteLoop.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    TableStore firm;
    return runWriteLoop(
        arguments, 4,
        [&] {
            firm.setDatabaseName(arguments[1]);
            firm.setTableName(QStringLiteral("Firm.db"));
            firm.open();
            firm.first();
        },
        [&](int i) {
            const QString number = QString::number(i);
            return DocumentNumber::record(firm, QStringLiteral("Фактура №"), number, number).outcome
                   == DocumentNumber::Outcome::Recorded;
        });
}
