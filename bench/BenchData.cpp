#include "BenchData.h"
#include "reference/Schema.h"

#include "common/Failure.h"
#include "register/RegisterStore.h"
#include "store/SqliteFile.h"
#include "tools/TableMaker.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace BenchData {

namespace {

QString root()
{
    static QTemporaryDir temporary;
    const QString fromEnvironment = qEnvironmentVariable("BILVARO_BENCH_DATA");
    return fromEnvironment.isEmpty() ? temporary.path() : fromEnvironment;
}

// The index the search baselines read through; the program reads no index.
void addDescriptionIndex(const QString &file)
{
    try {
        SqliteFile(file).execute(QStringLiteral("CREATE INDEX IF NOT EXISTS \"ByDescription\" ON \"stock\" (\"%1\")")
                                     .arg(descriptionField()));
    } catch (const Failure &failure) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(failure.text()));
    }
}

} // namespace

QString startFolder(int goods)
{
    static QHash<int, QString> ready;
    if (const auto found = ready.constFind(goods); found != ready.cend())
        return *found;
    const QString folder = QDir(root()).filePath(QStringLiteral("goods-%1").arg(goods));
    const QString data = QDir(folder).filePath(QStringLiteral("DB"));
    try {
        QDir().mkpath(data);
        TableMaker::makeCatalogue(data, goods);
        TableMaker::makeTables(folder, true);
        addDescriptionIndex(QDir(data).filePath(Schema::Goods::FileName));
    } catch (const Failure &failure) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(failure.text()));
        std::exit(1);
    }
    ready.insert(goods, folder);
    return folder;
}

void fillRegister(const QString &registerFile, int first, int last)
{
    const QString fill = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT FIRST UNION ALL SELECT i + 1 FROM n WHERE i < LAST) "
        "INSERT INTO \"Документи\" (\"Фирма\", \"Поредица\", \"Номер\", \"Вид\", \"Известие\", \"Дата\", "
        "\"Дата (ГГГГ-ММ-ДД)\", \"Валута\", \"Запис на фирмата\", \"Клиент\", \"Клиент: ИН\", "
        "\"Данъчна основа (0.0001)\", \"ДДС (0.0001)\", \"Сума за плащане (0.0001)\", \"Търсене\") "
        "SELECT '123456789', 'Фактура', printf('%010d', i), 'Фактура', '', 'дата', "
        "date('2020-01-01', '+' || (i / 40) || ' days'), CASE WHEN i % 3 = 0 THEN 'лв' ELSE 'EUR' END, 1, "
        "'Клиент ' || (i % 5000) || ' ООД', printf('%09d', i % 5000), i * 100, i * 20, i * 120, "
        "'клиент ' || (i % 5000) || ' оод' || char(10) || printf('%09d', i % 5000) || char(10) || printf('%010d', i) "
        "FROM n")
                             .replace(QStringLiteral("FIRST"), QString::number(first))
                             .replace(QStringLiteral("LAST"), QString::number(last));
    try {
        SqliteFile(registerFile).execute(fill);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(failure.text()));
        std::exit(1);
    }
}

QString registerStartFolder(int documents)
{
    const QDir folder(QDir(root()).filePath(QStringLiteral("register-%1").arg(documents)));
    const QString data = folder.filePath(QStringLiteral("DB"));
    if (QFile::exists(RegisterStore::filePath(data)))
        return folder.path();
    const QDir source(startFolder(1000));
    folder.mkpath(QStringLiteral("DB"));
    for (const QString &name : source.entryList(QDir::Files))
        QFile::copy(source.filePath(name), folder.filePath(name));
    for (const QString &name : QDir(source.filePath(QStringLiteral("DB"))).entryList(QDir::Files))
        QFile::copy(source.filePath(QStringLiteral("DB/") + name), folder.filePath(QStringLiteral("DB/") + name));
    try {
        RegisterStore made(data);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(failure.text()));
        std::exit(1);
    }
    fillRegister(RegisterStore::filePath(data), 1, documents);
    return folder.path();
}

QString goodsFile(int goods)
{
    return QDir(startFolder(goods)).filePath(QStringLiteral("DB/stock.db"));
}

QString scratchFolder(int goods)
{
    static std::vector<std::unique_ptr<QTemporaryDir>> made;
    const QDir source(QDir(startFolder(goods)).filePath(QStringLiteral("DB")));
    made.push_back(std::make_unique<QTemporaryDir>());
    const QDir target(made.back()->path());
    target.mkpath(QStringLiteral("DB"));
    for (const QString &name : source.entryList(QDir::Files))
        QFile::copy(source.filePath(name), target.filePath(QStringLiteral("DB/") + name));
    return target.path();
}

} // namespace BenchData
