// The goods table at 100,000 records: opening, a keystroke of the search,
// a post, an insert at the cursor.
//   cmake --build build --target bench_store && build/bench/bench_store

#include "reference/Schema.h"
#include "reference/Search.h"
#include "reference/TableStore.h"
#include "tools/TableMaker.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace Schema::Goods;

constexpr int Records = 100000;

// One table for every benchmark: made once, copied afresh where one writes.
const QString &dataFolder()
{
    static QTemporaryDir dir;
    static const QString folder = [] {
        QList<QVariantMap> records;
        records.reserve(Records);
        QRandomGenerator random(42);
        const QStringList words{QStringLiteral("Хартия"), QStringLiteral("Тонер"), QStringLiteral("Монитор"),
                                QStringLiteral("Кабел"), QStringLiteral("Мишка"), QStringLiteral("Клавиатура"),
                                QStringLiteral("Абонамент"), QStringLiteral("Услуга")};
        for (int i = 0; i < Records; ++i) {
            const QString word = words[random.bounded(int(words.size()))];
            records.append({{Number.name, QString::number(i + 1)},
                            {Description.name,
                             QStringLiteral("%1 модел %2\nвтори ред на описанието").arg(word).arg(random.bounded(100000))},
                            {Unit.name, QStringLiteral("бр.")},
                            {Price.name, QString::number(random.bounded(10000) / 100.0)},
                            {Quantity.name, QString::number(random.bounded(500))}});
        }
        TableMaker::makeTable(dir.path(), TableMaker::referenceTable(FileName), records);
        return dir.path();
    }();
    return folder;
}

void openGoods(TableStore &table)
{
    table.setDatabaseName(dataFolder());
    table.setTableName(FileName);
    table.open();
}

void BM_Open(benchmark::State &state)
{
    TableStore table;
    for (auto _ : state) {
        openGoods(table);
        if (table.recordCount() != Records)
            state.SkipWithError("the table is not whole");
        table.close();
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_OpenAndFirstKeystroke(benchmark::State &state)
{
    // The first search of a column reads the column: once while the table is open.
    TableStore table;
    for (auto _ : state) {
        openGoods(table);
        searchTable(table, Description.name, QStringLiteral("М"));
        if (table.recordCount() < Records / 20)
            state.SkipWithError("the search found too little");
        table.close();
    }
}
BENCHMARK(BM_OpenAndFirstKeystroke)->Unit(benchmark::kMillisecond);

void BM_SearchKeystroke(benchmark::State &state)
{
    TableStore table;
    openGoods(table);
    const QString field = Description.name;
    const QString word = QStringLiteral("монитор модел 4");
    searchTable(table, field, QString());  // the column's index is ready
    qsizetype typed = 0;
    for (auto _ : state) {
        // Typing the word letter by letter, then clearing it, over and over.
        typed = typed == word.size() ? 0 : typed + 1;
        searchTable(table, field, word.left(typed));
        benchmark::DoNotOptimize(table.recordCount());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMicrosecond);

void BM_Post(benchmark::State &state)
{
    TableStore table;
    openGoods(table);
    QRandomGenerator random(7);
    for (auto _ : state) {
        table.setRecNo(1 + random.bounded(Records));
        table.edit();
        table.setText(Quantity.name, QString::number(random.bounded(500)));
        table.post();
    }
}
BENCHMARK(BM_Post)->Unit(benchmark::kMillisecond);

void BM_InsertAtCursor(benchmark::State &state)
{
    TableStore table;
    openGoods(table);
    QRandomGenerator random(9);
    for (auto _ : state) {
        table.setRecNo(1 + random.bounded(table.recordCount()));
        table.insert();
        table.setText(Number.name, QStringLiteral("нов"));
        table.post();
    }
    // Leave the shared table as it was for the other benchmarks (not timed).
    table.setFilter(QStringLiteral("Пор. № = 'нов'"));
    table.setFiltered(true);
    while (table.recordCount() > 0)
        table.remove();
}
BENCHMARK(BM_InsertAtCursor)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    dataFolder();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
