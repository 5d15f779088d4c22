// The goods table at 100,000 records: opening, a keystroke of the search,
// a post, an insert at the cursor (and the first into a table just made,
// on the file); on an SQLite file and, when a PostgreSQL
// server is at hand (PGHOST or PGPORT set, as pg_virtualenv does), again as a
// table on that server ("…/server"), in a database bilvaro_bench made afresh.
//   cmake --build build --target bench_store && build/bench/bench_store
//   pg_virtualenv -t build/bench/bench_store

#include "reference/Schema.h"
#include "reference/Search.h"
#include "reference/ServerTables.h"
#include "reference/TableStore.h"
#include "tools/TableMaker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

using namespace Schema::Goods;

constexpr int Records = 100000;

// The same records for both engines.
const QList<QVariantMap> &goods()
{
    static const QList<QVariantMap> records = [] {
        QList<QVariantMap> made;
        made.reserve(Records);
        QRandomGenerator random(42);
        const QStringList words{QStringLiteral("Хартия"), QStringLiteral("Тонер"), QStringLiteral("Монитор"),
                                QStringLiteral("Кабел"), QStringLiteral("Мишка"), QStringLiteral("Клавиатура"),
                                QStringLiteral("Абонамент"), QStringLiteral("Услуга")};
        for (int i = 0; i < Records; ++i) {
            const QString word = words[random.bounded(int(words.size()))];
            made.append({{Number.name, QString::number(i + 1)},
                         {Description.name,
                          QStringLiteral("%1 модел %2\nвтори ред на описанието").arg(word).arg(random.bounded(100000))},
                         {Unit.name, QStringLiteral("бр.")},
                         {Price.name, QString::number(random.bounded(10000) / 100.0)},
                         {Quantity.name, QString::number(random.bounded(500))}});
        }
        return made;
    }();
    return records;
}

// One table for every benchmark: made once, copied afresh where one writes.
const QString &dataFolder()
{
    static QTemporaryDir dir;
    static const QString folder = [] {
        TableMaker::makeTable(dir.path(), TableMaker::referenceTable(FileName), goods());
        return dir.path();
    }();
    return folder;
}

bool serverAtHand()
{
    return !qEnvironmentVariableIsEmpty("PGHOST") || !qEnvironmentVariableIsEmpty("PGPORT");
}

void runOrDie(QSqlQuery &query, const QString &sql = {})
{
    if (!(sql.isEmpty() ? query.exec() : query.exec(sql)))
        qFatal("%s", qPrintable(query.lastError().text()));
}

// A folder whose server.conf names a database bilvaro_bench holding the same
// goods table, keys as the table maker gives them.
const QString &serverFolder()
{
    static QTemporaryDir dir;
    static const QString folder = [] {
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench.admin"));
            admin.setDatabaseName(QStringLiteral("postgres"));
            if (!admin.open())
                qFatal("%s", qPrintable(admin.lastError().text()));
            QSqlQuery query(admin);
            runOrDie(query, QStringLiteral("DROP DATABASE IF EXISTS bilvaro_bench WITH (FORCE)"));
            runOrDie(query, QStringLiteral("CREATE DATABASE bilvaro_bench TEMPLATE template0 ENCODING 'UTF8'"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench.admin"));
        {
            QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench.server"));
            server.setDatabaseName(QStringLiteral("bilvaro_bench"));
            if (!server.open() || !server.transaction())
                qFatal("%s", qPrintable(server.lastError().text()));
            const Schema::Table &table = *std::find_if(Schema::tables().cbegin(), Schema::tables().cend(),
                                                       [](const Schema::Table &t) { return t.fileName == FileName; });
            ServerTables::createTable(server, table.sqlName, table.columns);
            QStringList names{Schema::quoted(Schema::KeyColumn)}, marks{QStringLiteral("?")};
            for (const Schema::Column &column : table.columns)
                names << Schema::quoted(column.name), marks << QStringLiteral("?");
            {
                // Many records a statement: the server answers each statement on its own.
                constexpr int Batch = 500;
                QStringList rows;
                for (int i = 0; i < Batch; ++i)
                    rows << u'(' + marks.join(u',') + u')';
                QSqlQuery insert(server);
                insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                   .arg(Schema::quoted(table.sqlName), names.join(u','), rows.join(u',')));
                qint64 key = 0;
                for (const QVariantMap &record : goods()) {
                    insert.addBindValue(key += Schema::MakerKeyStep);
                    for (const Schema::Column &column : table.columns)
                        insert.addBindValue(record.value(column.name));
                    if (key / Schema::MakerKeyStep % Batch == 0)
                        runOrDie(insert);
                }
                insert.finish();
            }
            if (!server.commit())
                qFatal("%s", qPrintable(server.lastError().text()));
            // As the move to a server does (see ServerCopy): the statistics and the map of visible rows.
            if (!QSqlQuery(server).exec(QStringLiteral("VACUUM ANALYZE")))
                qFatal("VACUUM ANALYZE failed");
            server.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench.server"));
        QFile conf(dir.filePath(QStringLiteral("server.conf")));
        if (!conf.open(QIODevice::WriteOnly) || conf.write("dbname=bilvaro_bench") < 0)
            qFatal("cannot write server.conf");
        return dir.path();
    }();
    return folder;
}

void vacuumServer()
{
    {
        QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench.vacuum"));
        server.setDatabaseName(QStringLiteral("bilvaro_bench"));
        if (!server.open() || !QSqlQuery(server).exec(QStringLiteral("VACUUM")))
            qFatal("VACUUM failed");
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench.vacuum"));
}

using Folder = const QString &(*)();

void openGoods(TableStore &table, Folder folder)
{
    table.setDatabaseName(folder());
    table.setTableName(FileName);
    table.open();
}

void BM_Open(benchmark::State &state, Folder folder)
{
    TableStore table;
    for (auto _ : state) {
        openGoods(table, folder);
        if (table.recordCount() != Records)
            state.SkipWithError("the table is not whole");
        table.close();
    }
}

void BM_OpenAndFirstKeystroke(benchmark::State &state, Folder folder)
{
    // The first search of a column reads the column: once while the table is open.
    TableStore table;
    for (auto _ : state) {
        openGoods(table, folder);
        searchTable(table, Description.name, QStringLiteral("М"));
        if (table.recordCount() < Records / 20)
            state.SkipWithError("the search found too little");
        table.close();
    }
}

void BM_SearchKeystroke(benchmark::State &state, Folder folder)
{
    TableStore table;
    openGoods(table, folder);
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

void BM_Post(benchmark::State &state, Folder folder)
{
    TableStore table;
    openGoods(table, folder);
    QRandomGenerator random(7);
    for (auto _ : state) {
        table.setRecNo(1 + random.bounded(Records));
        table.edit();
        table.setText(Quantity.name, QString::number(random.bounded(500)));
        table.post();
    }
}

void BM_InsertAtCursor(benchmark::State &state, Folder folder)
{
    TableStore table;
    openGoods(table, folder);
    QRandomGenerator random(9);
    for (auto _ : state) {
        table.setRecNo(1 + random.bounded(table.recordCount()));
        table.insert();
        table.setText(Number.name, QStringLiteral("нов"));
        table.post();
    }
    // Leave the shared table as it was for the other benchmarks (not timed),
    // on the server with its map of visible rows, or the next open would read
    // the rows themselves for every page the inserts touched.
    table.setFilter(QStringLiteral("Пор. № = 'нов'"));
    table.setFiltered(true);
    while (table.recordCount() > 0)
        table.remove();
    table.close();
    if (folder == serverFolder)
        vacuumServer();
}

// The first record inserted into a table as the table maker (or the move
// from Paradox) leaves it, in the middle: each time on a fresh copy.
void BM_FirstInsert(benchmark::State &state)
{
    const QString made = QDir(dataFolder()).filePath(FileName);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir copy;
        if (!QFile::copy(made, QDir(copy.path()).filePath(FileName))) {
            state.SkipWithError("the table could not be copied");
            break;
        }
        TableStore table;
        table.setDatabaseName(copy.path());
        table.setTableName(FileName);
        table.open();
        table.setRecNo(Records / 2);
        state.ResumeTiming();
        table.insert();
        table.setText(Number.name, QStringLiteral("нов"));
        table.post();
        state.PauseTiming();
        table.close();
        state.ResumeTiming();
    }
}

// Each benchmark on the files, and on the server when there is one.
void registerAll(const std::string &suffix, Folder folder)
{
    const auto add = [&](const char *name, void (*run)(benchmark::State &, Folder), benchmark::TimeUnit unit) {
        benchmark::RegisterBenchmark((name + suffix).c_str(), run, folder)->Unit(unit);
    };
    add("BM_Open", BM_Open, benchmark::kMillisecond);
    add("BM_OpenAndFirstKeystroke", BM_OpenAndFirstKeystroke, benchmark::kMillisecond);
    add("BM_SearchKeystroke", BM_SearchKeystroke, benchmark::kMicrosecond);
    add("BM_Post", BM_Post, benchmark::kMillisecond);
    add("BM_InsertAtCursor", BM_InsertAtCursor, benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll("", dataFolder);
    benchmark::RegisterBenchmark("BM_FirstInsert", BM_FirstInsert)->Unit(benchmark::kMillisecond);
    dataFolder();
    if (serverAtHand()) {
        registerAll("/server", serverFolder);
        serverFolder();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
