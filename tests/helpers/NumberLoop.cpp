// number_loop_helper <data folder> <first number> <count>
// Records invoice numbers one after another as the last one of the first
// own company in Firm.db of the data folder, as printing does, and prints
// every number whose write has returned. The kill test stops it half-way.

#include "common/Failure.h"
#include "reference/DocumentNumber.h"
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
        TableStore firm;
        firm.setDatabaseName(arguments[1]);
        firm.setTableName(QStringLiteral("Firm.db"));
        firm.open();
        firm.first();
        const int from = arguments[2].toInt();
        const int count = arguments[3].toInt();
        for (int i = from; i < from + count; ++i) {
            const QString number = QString::number(i);
            if (DocumentNumber::record(firm, QStringLiteral("Фактура №"), number, number).outcome
                != DocumentNumber::Outcome::Recorded)
                return 3;
            out << i << Qt::endl;
        }
    } catch (const Failure &failure) {
        QTextStream(stderr) << failure.text() << Qt::endl;
        return 1;
    }
    return 0;
}
