// bilvaro-make-tables <start folder> [--demo]
// Makes the four reference tables that are missing in <start folder>/DB;
// with --demo they come with a demo data set. Existing tables stay as they are.
//
// bilvaro-make-tables <start folder> --prices-to-euro
// Converts the sale prices of the goods table from leva to euro, once.

#include "common/Failure.h"
#include "reference/PriceConversion.h"
#include "tools/TableMaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool demo = arguments.removeAll(QStringLiteral("--demo")) > 0;
    const bool toEuro = arguments.removeAll(QStringLiteral("--prices-to-euro")) > 0;
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--")) || (demo && toEuro)) {
        err << "Usage: bilvaro-make-tables <start folder> [--demo]\n"
               "       bilvaro-make-tables <start folder> --prices-to-euro\n";
        return 2;
    }
    const QString folder = arguments.first();
    try {
        if (toEuro) {
            const auto outcome = PriceConversion::convertGoodsToEuro(QDir(folder).filePath(QStringLiteral("DB")));
            out << QStringLiteral("Продажните цени на %1 стоки са преобразувани от лева в евро по курс %2.\n"
                                  "Таблицата в лева е запазена като „%3“.\n")
                       .arg(outcome.converted)
                       .arg(QLatin1String(PriceConversion::Rate), QDir::toNativeSeparators(outcome.copyPath));
            return 0;
        }
        const QStringList made = TableMaker::makeTables(folder, demo);
        const QDir data(QDir(folder).filePath(QStringLiteral("DB")));
        for (const TableMaker::TableDefinition &table : TableMaker::referenceTables()) {
            const QString path = QDir::toNativeSeparators(data.filePath(table.fileName));
            if (made.contains(table.fileName))
                out << QStringLiteral("Създадена: %1\n").arg(path);
            else
                out << QStringLiteral("Оставена както е: %1\n").arg(path);
        }
    } catch (const Failure &failure) {
        err << failure.text() << '\n';
        return 1;
    }
    return 0;
}
