#include "BenchData.h"
#include "reference/Schema.h"

#include "common/Failure.h"
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
