// bilvaro-make-tables <start folder> [--demo] [--goods <count>]
// Makes the four reference tables that are missing in <start folder>/DB;
// with --demo they come with a demo data set. --goods makes the goods table
// a large made-up catalogue of that many records (the same on every run),
// for trying the program on a shop's worth of goods. Existing tables stay as
// they are.
//
// bilvaro-make-tables <start folder> --prices-to-euro
// Converts the sale prices of the goods table from leva to euro, once. A
// start folder without a settings file gets one that starts in euro.
//
// bilvaro-make-tables <start folder> --from-paradox
// Converts the old program's Paradox tables in <start folder>/DB into this
// program's tables, keeping the Paradox files in DB/paradox-<date>-<time>/.
//
// bilvaro-make-tables <start folder> --to-server <connection>
// Moves the four tables and the register of <start folder>/DB onto an empty
// PostgreSQL database (a connection string in libpq's form), in one
// transaction, and compares every value.
//
// bilvaro-make-tables <start folder> --from-server <connection>
// Writes the server's tables and register into <start folder>/DB as SQLite
// files (a backup the program opens as it is); existing files stay untouched.
//
// bilvaro-make-tables <start folder> --backup <file>
// Writes a backup of the start folder into one file: the four tables and the
// register as they stand at one moment (the program may be running), mem.txt
// and the archive's pages, with a manifest of SHA-256 hashes.
//
// bilvaro-make-tables <start folder> --restore <file>
// Puts a backup back into a start folder that holds none of its files,
// checking every entry first.
//
// The archive's pages are in the DB folder of the installation folder named
// by BILVARO_INSTALL_DIR, else in <start folder>/DB (the Debian package's
// layout, where the two are one).
//
// --encoding utf-16 (with any of the above) writes the output in UTF-16 with
// a byte order mark instead of UTF-8: the Windows setup shows it in its log,
// and reads UTF-16 whatever the machine's code page, UTF-8 never.

#include "backup/Backup.h"
#include "common/Failure.h"
#include "paradox/MovingIn.h"
#include "platform/PrivateFiles.h"
#include "reference/Schema.h"
#include "reference/PriceConversion.h"
#include "tools/ConsoleProgress.h"
#include "tools/ServerCopy.h"
#include "tools/TableMaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <algorithm>
#include <optional>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

namespace {

const char Usage[] = "Usage: bilvaro-make-tables <start folder> [--demo] [--goods <count>]\n"
                     "       bilvaro-make-tables <start folder> --prices-to-euro\n"
                     "       bilvaro-make-tables <start folder> --from-paradox\n"
                     "       bilvaro-make-tables <start folder> --to-server <connection>\n"
                     "       bilvaro-make-tables <start folder> --from-server <connection>\n"
                     "       bilvaro-make-tables <start folder> --backup <file>\n"
                     "       bilvaro-make-tables <start folder> --restore <file>\n"
                     "       (any of them with --encoding utf-8|utf-16)\n";

const QString Help = QStringLiteral(
    "\n"
    "Без опции: създава липсващите таблици в <start folder>/DB (--demo: с примерни данни;\n"
    "  --goods: таблица със стоки с толкова записа).\n"
    "--prices-to-euro  преобразува продажните цени от лева в евро, веднъж.\n"
    "--from-paradox    преобразува таблиците на старата програма.\n"
    "--to-server       прехвърля четирите таблици и регистъра на празна база на PostgreSQL\n"
    "                  в една транзакция и сверява всяка стойност. <connection> е адрес във\n"
    "                  вида на libpq: postgresql://потребител@сървър:5432/база или\n"
    "                  \"host=сървър dbname=база\"; паролата е в ~/.pgpass или PGPASSWORD.\n"
    "--from-server     записва таблиците и регистъра от сървъра като файлове в\n"
    "                  <start folder>/DB (резервно копие, което програмата отваря);\n"
    "                  съществуващи файлове не се презаписват.\n"
    "--backup          записва резервно копие на <start folder> в един файл: четирите таблици\n"
    "                  и регистъра към един миг (програмата може да работи), mem.txt и\n"
    "                  страниците на архива, с контролни суми SHA-256.\n"
    "--restore         възстановява резервно копие в папка без нито един от файловете му,\n"
    "                  след като провери всяка контролна сума.\n"
    "--encoding        utf-8 (без тази опция) или utf-16: кодировката на изхода.\n");

// Switches both outputs to UTF-16 (little-endian, with a byte order mark).
void writeUtf16(QTextStream &out, QTextStream &err)
{
#ifdef Q_OS_WIN
    // Text mode would put a carriage return byte into every line feed's two.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    for (QTextStream *stream : {&out, &err}) {
        stream->setEncoding(QStringConverter::Utf16LE);
        stream->setGenerateByteOrderMark(true);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("--help"))) {
        out << Usage << Help;
        return 0;
    }
    const bool demo = arguments.removeAll(QStringLiteral("--demo")) > 0;
    const bool toEuro = arguments.removeAll(QStringLiteral("--prices-to-euro")) > 0;
    const bool fromParadox = arguments.removeAll(QStringLiteral("--from-paradox")) > 0;
    // An option with its value, taken out of the arguments.
    const auto valueOf = [&arguments](const QString &option) -> std::optional<QString> {
        const qsizetype at = arguments.indexOf(option);
        if (at < 0)
            return std::nullopt;
        const QString value = arguments.value(at + 1);
        arguments.remove(at, std::min<qsizetype>(2, arguments.size() - at));
        return value;
    };
    if (const std::optional<QString> encoding = valueOf(QStringLiteral("--encoding"))) {
        if (*encoding == u"utf-16") {
            writeUtf16(out, err);
        } else if (*encoding != u"utf-8") {
            err << Usage;
            return 2;
        }
    }
    const std::optional<QString> toServer = valueOf(QStringLiteral("--to-server"));
    const std::optional<QString> fromServer = valueOf(QStringLiteral("--from-server"));
    if ((toServer && toServer->isEmpty()) || (fromServer && fromServer->isEmpty())) {
        err << QStringLiteral("--to-server и --from-server искат адреса на сървъра, например "
                              "postgresql://потребител@сървър:5432/база.\n");
        return 2;
    }
    const std::optional<QString> backup = valueOf(QStringLiteral("--backup"));
    const std::optional<QString> restore = valueOf(QStringLiteral("--restore"));
    if ((backup && backup->isEmpty()) || (restore && restore->isEmpty())) {
        err << QStringLiteral("--backup и --restore искат името на файла на резервното копие.\n");
        return 2;
    }
    const bool server = toServer || fromServer;
    const bool backups = backup || restore;
    int goods = -1;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--goods")); at >= 0) {
        bool number = false;
        goods = arguments.value(at + 1).toInt(&number);
        if (!number || goods < 0) {
            err << QStringLiteral("--goods иска брой записи, цяло число от 0 нагоре.\n");
            return 2;
        }
        arguments.remove(at, 2);
    }
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--"))
        || ((toEuro || fromParadox || server || backups) && (demo || goods >= 0))
        || (int(toEuro) + int(fromParadox) + int(bool(toServer)) + int(bool(fromServer)) + int(bool(backup))
                + int(bool(restore))
            > 1)) {
        err << Usage;
        return 2;
    }
    const QString folder = arguments.first();
    ConsoleProgress progress(err);
    try {
        if (backups) {
            const QString install = qEnvironmentVariable("BILVARO_INSTALL_DIR");
            const Backup::Folders folders{folder, QDir(install.isEmpty() ? folder : install).filePath(QStringLiteral("DB"))};
            if (backup) {
                const Backup::Made made = Backup::make(folders, *backup, progress);
                Backup::rememberMade(folder, QDate::currentDate());
                out << QStringLiteral("Резервното копие „%1“ е записано: %2 таблици, %3 страници на архива.\n")
                           .arg(QDir::toNativeSeparators(made.file))
                           .arg(made.tables)
                           .arg(made.pages);
                if (made.serverNote)
                    out << *made.serverNote << '\n';
            } else {
                const Backup::Restored restored = Backup::restore(*restore, folders, progress);
                out << QStringLiteral("Резервното копие е възстановено в „%1“: %2 таблици, %3 страници на архива%4; "
                                      "всяка контролна сума съвпада.\n")
                           .arg(QDir::toNativeSeparators(folder))
                           .arg(restored.tables)
                           .arg(restored.pages)
                           .arg(restored.settings ? QStringLiteral(", настройките") : QString());
            }
            return 0;
        }
        if (server) {
            const QStringList report = toServer ? ServerCopy::toServer(folder, *toServer, progress)
                                                : ServerCopy::fromServer(folder, *fromServer, progress);
            out << report.join(u'\n') << '\n';
            return 0;
        }
        if (fromParadox) {
            out << MovingIn::summaryText(MovingIn::convert(folder, QDateTime::currentDateTime(), progress)) << '\n';
            return 0;
        }
        if (toEuro) {
            const auto outcome = PriceConversion::convertGoodsToEuro(QDir(folder).filePath(QStringLiteral("DB")));
            out << QStringLiteral("Продажните цени на %1 стоки са преобразувани от лева в евро по курс %2.\n"
                                  "Таблицата в лева е запазена като „%3“.\n")
                       .arg(outcome.converted)
                       .arg(QLatin1String(PriceConversion::Rate), QDir::toNativeSeparators(outcome.copyPath));
            if (TableMaker::makeSettings(folder, Currency::Euro))
                out << QStringLiteral("Създаден е файлът с настройките „%1“ с валута EUR.\n")
                           .arg(QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("mem.txt"))));
            return 0;
        }
        const QDir data(QDir(folder).filePath(QStringLiteral("DB")));
        QStringList made;
        if (goods >= 0) {
            if (!PrivateFiles::makeFolder(data.path()))
                throw Failure(QStringLiteral("Папката „%1“ не може да бъде създадена.")
                                  .arg(QDir::toNativeSeparators(data.path())));
            if (TableMaker::makeCatalogue(data.path(), goods))
                made << Schema::Goods::FileName;
        }
        made << TableMaker::makeTables(folder, demo);
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
