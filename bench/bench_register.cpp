// The register window with 100,000 issued documents, each figure beside a
// baseline measured in the same run:
//   open the window, list shown, sums made   vs  the keys and sums read through SQLite
//   one search keystroke, list repainted     vs  the same search through SQLite
//   "Неплатени" chosen (150,000 payments)    vs  the open documents' keys through SQLite
// Run on Qt's offscreen platform:
//   cmake --build build-bench --target bench_register && build-bench/bench/bench_register

#include "platform/Paths.h"
#include "register/IssuedDocs.h"
#include "register/RegisterStore.h"
#include "store/SqliteFile.h"
#include "store/SqliteStatement.h"

#include "../tests/support/SampleInvoice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Documents = 100000;
constexpr int Payments = 150000;

// A start folder whose register holds that many documents: one recorded by
// the program, the others copied from it in SQL with their own numbers,
// clients, dates and currencies (the program's own recording takes a
// transaction over two files per document, far too slow to fill it).
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
    SqliteFile db(RegisterStore::filePath(data));
    const QString fill = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < DOCUMENTS) "
        "INSERT INTO \"Документи\" (\"Фирма\", \"Поредица\", \"Номер\", \"Вид\", \"Известие\", \"Дата\", "
        "\"Дата (ГГГГ-ММ-ДД)\", \"Валута\", \"Запис на фирмата\", \"Клиент\", \"Клиент: ИН\", "
        "\"Данъчна основа (0.0001)\", \"ДДС (0.0001)\", \"Сума за плащане (0.0001)\", \"Търсене\") "
        "SELECT '123456789', 'Фактура', printf('%010d', i), 'Фактура', '', 'дата', "
        "date('2020-01-01', '+' || (i / 40) || ' days'), CASE WHEN i % 3 = 0 THEN 'лв' ELSE 'EUR' END, 1, "
        "'Клиент ' || (i % 5000) || ' ООД', printf('%09d', i % 5000), i * 100, i * 20, i * 120, "
        "'клиент ' || (i % 5000) || ' оод' || char(10) || printf('%09d', i % 5000) || char(10) || printf('%010d', i) "
        "FROM n").replace(QStringLiteral("DOCUMENTS"), QString::number(Documents));
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
        db.execute(fill);
        db.execute(pay);
    } catch (const Failure &failure) {
        qFatal("bench_register: %s", qPrintable(failure.text()));
    }
    return dir.path();
}

QString folder;

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
    StartFolder = folder;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
