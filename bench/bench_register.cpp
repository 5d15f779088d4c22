// The register window with 100,000 issued documents, each figure beside a
// baseline measured in the same run:
//   open the window, list shown, sums made   vs  the keys and sums read through SQLite
//   one search keystroke, list repainted     vs  the same search through SQLite
//   "Неплатени" first chosen (150,000 payments)  vs  the open documents' keys through SQLite
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
#include "store/SqliteFile.h"
#include "store/SqliteStatement.h"

#include "../tests/support/SampleInvoice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <optional>

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
    SqliteFile db(RegisterStore::filePath(data));
    // Every document paid once, half of them twice: one in five still owes.
    const QString pay = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < PAYMENTS) "
        "INSERT INTO \"Плащания\" (\"Документ\", \"Дата на плащането\", \"Сума (0.0001)\", \"Платено във валута\", "
        "\"Платена сума (0.0001)\", \"Начин\", \"Бележка\", \"Въведено от\", \"Въведено на\") "
        "SELECT (i - 1) % DOCUMENTS + 1, '2020-02-01', CASE WHEN i % 5 = 0 THEN 1 ELSE ((i - 1) % DOCUMENTS + 1) * 60 END, "
        "'EUR', 1, 'Банков превод', '', 'bench', '2020-02-01T00:00:00' FROM n")
                            .replace(QStringLiteral("PAYMENTS"), QString::number(Payments))
                            .replace(QStringLiteral("DOCUMENTS"), QString::number(Documents));
    try {
        db.execute(pay);
    } catch (const Failure &failure) {
        qFatal("bench_register: %s", qPrintable(failure.text()));
    }
    return dir.path();
}

constexpr int MonthDocuments = 10000;
const TaxPeriod Month{2026, 2};

void runOrDie(SqliteFile &db, const QString &sql)
{
    try {
        db.execute(sql);
    } catch (const Failure &failure) {
        qFatal("bench_register: %s", qPrintable(failure.text()));
    }
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
    SqliteFile db(RegisterStore::filePath(data));
    const auto copied = [&db](const QString &table, const QHash<QString, QString> &changed) {
        QStringList names, values;
        SqliteStatement columns(db.handle(), QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table));
        while (columns.step()) {
            const QString name = QString::fromUtf8(columns.text(0));
            if (changed.contains(name) && changed.value(name).isEmpty())
                continue;
            names << u'"' + name + u'"';
            values << changed.value(name, QStringLiteral("t.\"%1\"").arg(name));
        }
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
void readThrough(const SqliteFile &db, const QByteArray &probe)
{
    const char *where = probe.isEmpty() ? "" : " WHERE instr(\"Търсене\", ?1) > 0";
    for (const QByteArray &sql :
         {QByteArray("SELECT \"Ид\" FROM \"Документи\"") + where + " ORDER BY \"Дата (ГГГГ-ММ-ДД)\" DESC, \"Ид\" DESC",
          QByteArray("SELECT \"Валута\", count(*), sum(\"Сума за плащане (0.0001)\") FROM \"Документи\"") + where
              + " GROUP BY 1"}) {
        SqliteStatement statement(db.handle(), QString::fromUtf8(sql));
        if (!probe.isEmpty())
            statement.bindText(1, probe);
        std::vector<qint64> read;
        while (statement.step())
            read.push_back(statement.key(0));
        benchmark::DoNotOptimize(read.data());
    }
}

void BM_RegisterOpen_Baseline(benchmark::State &state)
{
    for (auto _ : state) {
        const SqliteFile db(RegisterStore::filePath(dataDirectory()));
        readThrough(db, QByteArray());
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
    const SqliteFile db(RegisterStore::filePath(dataDirectory()));
    qsizetype typed = 0;
    for (auto _ : state) {
        typed = typed == Typed.size() ? 1 : typed + 1;
        readThrough(db, Typed.left(typed).toUtf8());
    }
    state.SetItemsProcessed(state.iterations());
}

// "Неплатени" chosen first in a window just opened: the list and the sums of
// what is owed (the payments read for the first time).
void BM_RegisterUnpaid(benchmark::State &state)
{
    std::optional<TIssuedDocs> window;
    for (auto _ : state) {
        state.PauseTiming();
        window.reset();
        window.emplace();
        window->show();
        state.ResumeTiming();
        window->ComboBox1->setCurrentIndex(1);
        window->DBGrid1->viewport()->repaint();
    }
}

// The keys of the documents that owe, with what is paid on each, through SQLite.
void BM_RegisterUnpaid_Baseline(benchmark::State &state)
{
    const SqliteFile db(RegisterStore::filePath(dataDirectory()));
    const QString sql = QStringLiteral(
        "SELECT d.\"Ид\" FROM \"Документи\" d LEFT JOIN (SELECT \"Документ\" k, sum(\"Сума (0.0001)\") p FROM "
        "\"Плащания\" GROUP BY 1) p ON p.k = d.\"Ид\" WHERE d.\"Сума за плащане (0.0001)\" > coalesce(p.p, 0) "
        "ORDER BY d.\"Дата (ГГГГ-ММ-ДД)\" DESC, d.\"Ид\" DESC");
    for (auto _ : state) {
        SqliteStatement statement(db.handle(), sql);
        std::vector<qint64> read;
        while (statement.step())
            read.push_back(statement.key(0));
        benchmark::DoNotOptimize(read.data());
    }
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
    const SqliteFile db(RegisterStore::filePath(monthData));
    const QString month = QStringLiteral("\"Дата (ГГГГ-ММ-ДД)\" BETWEEN '2026-02-01' AND '2026-02-28'");
    for (auto _ : state) {
        for (const QString &sql : {QStringLiteral("SELECT * FROM \"Документи\" WHERE ") + month,
                                   QStringLiteral("SELECT * FROM \"Редове\" WHERE \"Документ\" IN (SELECT \"Ид\" FROM "
                                                  "\"Документи\" WHERE ")
                                       + month + QStringLiteral(") ORDER BY \"Документ\", rowid")}) {
            SqliteStatement statement(db.handle(), sql);
            qint64 bytes = 0;
            while (statement.step()) {
                for (int column = 0; column < statement.columnCount(); ++column)
                    bytes += statement.text(column).size();
            }
            benchmark::DoNotOptimize(bytes);
        }
    }
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
