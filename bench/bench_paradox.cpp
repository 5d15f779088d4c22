// Moving in: reading a goods table of 100,000 Paradox records (descriptions
// in the .MB file) and converting a start folder with it into the
// program's tables.
//   cmake --build build --target bench_paradox && build/bench/bench_paradox

#include "paradox/MovingIn.h"
#include "paradox/ParadoxTable.h"
#include "paradox/Pxlib.h"
#include "support/ParadoxWriter.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Records = 100000;

// The old folder with a goods table of that many records, written once.
const QString &oldFolder()
{
    static QTemporaryDir dir;
    static const QString folder = [] {
        const QString data = QDir(dir.path()).filePath(QStringLiteral("DB"));
        ParadoxWriter::OldFolder::write(data);
        ParadoxWriter::writeTable(QDir(data).filePath(QStringLiteral("stock.db")),
                                  ParadoxWriter::OldFolder::fields(QStringLiteral("stock.db")), Records,
                                  [](qsizetype i) {
                                      return QVariantList{QString::number(i + 1),
                                                          QStringLiteral("Хартия за принтер модел %1\r\nвтори ред на "
                                                                         "описанието на стоката")
                                                              .arg(i),
                                                          QStringLiteral("бр."), double(i % 1000) / 4,
                                                          double(i % 500), ParadoxWriter::dayNumber(2007, 1, 1 + i % 28)};
                                  });
        return data;
    }();
    return folder;
}

void ReadGoods(benchmark::State &state)
{
    const QString path = QDir(oldFolder()).filePath(QStringLiteral("stock.db"));
    for (auto _ : state) {
        const Paradox::Table table = Paradox::readTable(path);
        benchmark::DoNotOptimize(table.records.size());
    }
    state.SetItemsProcessed(state.iterations() * Records);
}
BENCHMARK(ReadGoods)->Unit(benchmark::kMillisecond);

void ConvertFolder(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir start;
        const QString data = QDir(start.path()).filePath(QStringLiteral("DB"));
        QDir().mkpath(data);
        for (const QFileInfo &file : QDir(oldFolder()).entryInfoList(QDir::Files))
            QFile::copy(file.filePath(), QDir(data).filePath(file.fileName()));
        state.ResumeTiming();
        benchmark::DoNotOptimize(MovingIn::convert(start.path()).tables.size());
    }
    state.SetItemsProcessed(state.iterations() * Records);
}
BENCHMARK(ConvertFolder)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
