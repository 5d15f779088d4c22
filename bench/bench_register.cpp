// The register window with 100,000 issued documents, each figure beside a
// baseline measured in the same run:
//   open the window, list shown, sums made   vs  the keys and sums read through SQLite
//   one search keystroke, list repainted     vs  the same search through SQLite
//   "Неплатени" chosen (150,000 payments)    vs  the open documents' keys through SQLite
// and, on a register of one month with 10,000 documents:
//   the month's sales ledger and its file    vs  the month's documents and lines read through SQLite
// Run on Qt's offscreen platform:
//   cmake --build build-bench --target bench_register && build-bench/bench/bench_register

#include "BenchData.h"
#include "ledger/LedgerFiles.h"
#include "ledger/SalesLedger.h"
#include "platform/Paths.h"
#include "register/IssuedDocs.h"
#include "register/RegisterLedger.h"
#include "register/RegisterStore.h"

#include "../tests/support/SampleInvoice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int Documents = 100000;
constexpr int Payments = 150000;

// A start folder whose register holds that many documents: one recorded by
// the program, the others made in SQL (BenchData::fillRegister).
QString registerFolder(QTemporaryDir &dir)
{
    const QString data = dir.filePath(QStringLiteral("DB"));
    QDir().mkpath(data);
    makeOwnCompany(data);
    {
        RegisterStore store(data);
        store.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, QStringLiteral("1")), {},
                          PrintMode::Original);
    }
    BenchData::fillRegister(RegisterStore::filePath(data), 2, Documents);
    sqlite3 *db = nullptr;
    sqlite3_open(RegisterStore::filePath(data).toUtf8().constData(), &db);
    // Every document paid once, half of them twice: one in five still owes.
    const QString pay = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < PAYMENTS) "
        "INSERT INTO \"Плащания\" (\"Документ\", \"Дата на плащането\", \"Сума (0.0001)\", \"Платено във валута\", "
        "\"Платена сума (0.0001)\", \"Начин\", \"Бележка\", \"Въведено от\", \"Въведено на\") "
        "SELECT (i - 1) % DOCUMENTS + 1, '2020-02-01', CASE WHEN i % 5 = 0 THEN 1 ELSE ((i - 1) % DOCUMENTS + 1) * 60 END, "
        "'EUR', 1, 'Банков превод', '', 'bench', '2020-02-01T00:00:00' FROM n")
                            .replace(QStringLiteral("PAYMENTS"), QString::number(Payments))
                            .replace(QStringLiteral("DOCUMENTS"), QString::number(Documents));
    if (sqlite3_exec(db, pay.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("bench_register: %s", sqlite3_errmsg(db));
    sqlite3_close(db);
    return dir.path();
}

constexpr int MonthDocuments = 10000;
const TaxPeriod Month{2026, 2};

void runOrDie(sqlite3 *db, const QString &sql)
{
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("bench_register: %s", sqlite3_errmsg(db));
}

// A data folder whose register holds a month of that many documents: one
// recorded by the program, the others copies of it, every column and both
// lines, each with its own number, day, client and currency.
QString monthFolder(QTemporaryDir &dir)
{
    const QString data = dir.filePath(QStringLiteral("month"));
    QDir().mkpath(data);
    makeOwnCompany(data);
    {
        RegisterStore store(data);
        store.recordPrint(sampleInvoice(DocumentKind::Invoice, NoteKind::None, Currency::Euro, QStringLiteral("1")), {},
                          PrintMode::Original);
    }
    sqlite3 *db = nullptr;
    sqlite3_open(RegisterStore::filePath(data).toUtf8().constData(), &db);
    const auto copied = [db](const QString &table, const QHash<QString, QString> &changed) {
        QStringList names, values;
        sqlite3_stmt *columns = nullptr;
        const QByteArray sql = QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table).toUtf8();
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &columns, nullptr);
        while (sqlite3_step(columns) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(columns, 0)));
            if (changed.contains(name) && changed.value(name).isEmpty())
                continue;
            names << u'"' + name + u'"';
            values << changed.value(name, QStringLiteral("t.\"%1\"").arg(name));
        }
        sqlite3_finalize(columns);
        return std::pair{names.join(u','), values.join(u',')};
    };
    const QString numbers = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ")
                                .arg(MonthDocuments);
    const auto [documentColumns, documentValues] = copied(
        QStringLiteral("Документи"),
        {{QStringLiteral("Ид"), QString()},
         {QStringLiteral("Номер"), QStringLiteral("printf('%010d', i)")},
         {QStringLiteral("Дата"), QStringLiteral("(i % 28 + 1) || '.2.2026 г.'")},
         {QStringLiteral("Дата (ГГГГ-ММ-ДД)"), QStringLiteral("date('2026-02-01', '+' || (i % 28) || ' days')")},
         {QStringLiteral("Валута"), QStringLiteral("CASE WHEN i % 10 = 0 THEN 'лв' ELSE 'EUR' END")},
         {QStringLiteral("Клиент"), QStringLiteral("'Клиент ' || (i % 500) || ' ООД'")},
         {QStringLiteral("Търсене"), QStringLiteral("'клиент ' || (i % 500) || ' оод' || char(10) || '987654321' || char(10) "
                                                    "|| printf('%010d', i)")}});
    runOrDie(db, numbers + QStringLiteral("INSERT INTO \"Документи\" (%1) SELECT %2 FROM \"Документи\" t, n WHERE t.\"Ид\" = 1")
                               .arg(documentColumns, documentValues));
    const auto [lineColumns, lineValues] = copied(QStringLiteral("Редове"), {{QStringLiteral("Документ"), QStringLiteral("i")}});
    runOrDie(db, numbers + QStringLiteral("INSERT INTO \"Редове\" (%1) SELECT %2 FROM n, \"Редове\" t WHERE t.\"Документ\" = 1 "
                                          "ORDER BY i, t.rowid")
                               .arg(lineColumns, lineValues));
    sqlite3_close(db);
    return data;
}

QString folder;
QString monthData;

// The search a user types: a client's name, letter by letter.
const QString Typed = QStringLiteral("клиент 4711");

void BM_RegisterOpen(benchmark::State &state)
{
    for (auto _ : state) {
        TIssuedDocs window;
        window.show();
        window.DBGrid1->viewport()->repaint();
        if (window.model()->rowCount() != Documents) {
            state.SkipWithError("the list is not whole");
            break;
        }
    }
}

// The keys of the list and the sums, straight from SQLite.
void readThrough(sqlite3 *db, const QByteArray &probe)
{
    const char *where = probe.isEmpty() ? "" : " WHERE instr(\"Търсене\", ?1) > 0";
    for (const QByteArray &sql :
         {QByteArray("SELECT \"Ид\" FROM \"Документи\"") + where + " ORDER BY \"Дата (ГГГГ-ММ-ДД)\" DESC, \"Ид\" DESC",
          QByteArray("SELECT \"Валута\", count(*), sum(\"Сума за плащане (0.0001)\") FROM \"Документи\"") + where
              + " GROUP BY 1"}) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr);
        if (!probe.isEmpty())
            sqlite3_bind_text(statement, 1, probe.constData(), int(probe.size()), SQLITE_STATIC);
        std::vector<sqlite3_int64> read;
        while (sqlite3_step(statement) == SQLITE_ROW)
            read.push_back(sqlite3_column_int64(statement, 0));
        benchmark::DoNotOptimize(read.data());
        sqlite3_finalize(statement);
    }
}

void BM_RegisterOpen_Baseline(benchmark::State &state)
{
    for (auto _ : state) {
        sqlite3 *db = nullptr;
        sqlite3_open(RegisterStore::filePath(dataDirectory()).toUtf8().constData(), &db);
        readThrough(db, QByteArray());
        sqlite3_close(db);
    }
}

void BM_RegisterKeystroke(benchmark::State &state)
{
    TIssuedDocs window;
    window.show();
    qsizetype typed = 0;
    for (auto _ : state) {
        typed = typed == Typed.size() ? 1 : typed + 1;
        window.Edit1->setText(Typed.left(typed));
        window.DBGrid1->viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_RegisterKeystroke_Baseline(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(RegisterStore::filePath(dataDirectory()).toUtf8().constData(), &db);
    qsizetype typed = 0;
    for (auto _ : state) {
        typed = typed == Typed.size() ? 1 : typed + 1;
        readThrough(db, Typed.left(typed).toUtf8());
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}

// "Неплатени" chosen in the open window: the list and the sums of what is owed.
void BM_RegisterUnpaid(benchmark::State &state)
{
    TIssuedDocs window;
    window.show();
    for (auto _ : state) {
        window.ComboBox1->setCurrentIndex(1);
        window.DBGrid1->viewport()->repaint();
        state.PauseTiming();
        window.ComboBox1->setCurrentIndex(0);
        state.ResumeTiming();
    }
}

// The keys of the documents that owe, with what is paid on each, through SQLite.
void BM_RegisterUnpaid_Baseline(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(RegisterStore::filePath(dataDirectory()).toUtf8().constData(), &db);
    const QByteArray sql =
        "SELECT d.\"Ид\" FROM \"Документи\" d LEFT JOIN (SELECT \"Документ\" k, sum(\"Сума (0.0001)\") p FROM "
        "\"Плащания\" GROUP BY 1) p ON p.k = d.\"Ид\" WHERE d.\"Сума за плащане (0.0001)\" > coalesce(p.p, 0) "
        "ORDER BY d.\"Дата (ГГГГ-ММ-ДД)\" DESC, d.\"Ид\" DESC";
    for (auto _ : state) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr);
        std::vector<sqlite3_int64> read;
        while (sqlite3_step(statement) == SQLITE_ROW)
            read.push_back(sqlite3_column_int64(statement, 0));
        benchmark::DoNotOptimize(read.data());
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
}

// "Дневник за продажби" on the month: its documents read from the register,
// the ledger made and its file written in memory.
void BM_MonthLedger(benchmark::State &state)
{
    RegisterStore store(monthData);
    for (auto _ : state) {
        const QList<LedgerDocument> documents = ledgerDocumentsFrom(store, Month.firstDay());
        const SalesLedger ledger = buildSalesLedger(documents, companiesOf(documents).value(0), Month);
        benchmark::DoNotOptimize(salesLedgerFile(ledger).size());
        if (ledger.records.size() != MonthDocuments) {
            state.SkipWithError("the ledger is not whole");
            break;
        }
    }
}

// Every column of the month's documents and of their lines, through SQLite.
void BM_MonthLedger_Baseline(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(RegisterStore::filePath(monthData).toUtf8().constData(), &db);
    const QByteArray month = "\"Дата (ГГГГ-ММ-ДД)\" BETWEEN '2026-02-01' AND '2026-02-28'";
    for (auto _ : state) {
        for (const QByteArray &sql : {"SELECT * FROM \"Документи\" WHERE " + month,
                                      "SELECT * FROM \"Редове\" WHERE \"Документ\" IN (SELECT \"Ид\" FROM \"Документи\" WHERE "
                                          + month + ") ORDER BY \"Документ\", rowid"}) {
            sqlite3_stmt *statement = nullptr;
            sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr);
            qint64 bytes = 0;
            while (sqlite3_step(statement) == SQLITE_ROW) {
                for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                    sqlite3_column_text(statement, column);
                    bytes += sqlite3_column_bytes(statement, column);
                }
            }
            benchmark::DoNotOptimize(bytes);
            sqlite3_finalize(statement);
        }
    }
    sqlite3_close(db);
}

BENCHMARK(BM_MonthLedger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthLedger_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegisterOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegisterUnpaid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegisterUnpaid_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegisterOpen_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegisterKeystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegisterKeystroke_Baseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    folder = registerFolder(dir);
    monthData = monthFolder(dir);
    StartFolder = folder;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
