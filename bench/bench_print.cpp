// The print command without the printer, on the assembled page of 859 × 1168
// pixels: the capture, the reduction to 8 bits, the BMP archive image at 8,
// 24 and 32 bits, and the PDF copy; beside it, fwrite of as many bytes as
// the BMP file holds.
//   cmake --build build-bench --target bench_print && build-bench/bench/bench_print

#include "BenchData.h"

#include "app/Menu.h"
#include "app/Windows.h"
#include "document/Document.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "print/PagePicture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

namespace {

// Answers every input box as proposed; the assembly asks nothing else.
class BenchPrompter final : public Prompter {
public:
    std::optional<QString> input(const QString &, const QString &, const QString &text) override { return text; }
    void information(const QString &text) override { report(text); }
    void message(const QString &text, Icon) override { report(text); }
    void error(const QString &text) override { report(text); }
    bool question(const QString &text) override
    {
        report(text);
        return false;
    }
    bool print(QPrinter &, int, int) override { return false; }
    QString openPicture(const QString &) override { return QString(); }
    QString chooseFolder(const QString &) override { return QString(); }
    QString saveFile(const QString &, const QString &, const QString &) override { return QString(); }
    std::optional<PaymentAnswer> payment(const PaymentForm &) override { return std::nullopt; }
    QString openFile(const QString &, const QString &) override { return QString(); }
    std::optional<QList<int>> chooseItems(const QString &, const QString &, const QStringList &) override
    {
        return std::nullopt;
    }

private:
    static void report(const QString &text) { std::fprintf(stderr, "bench: the program said: %s\n", qPrintable(text)); }
};

QTemporaryDir output;

QString archivePath(int depth)
{
    return output.filePath(QStringLiteral("InvFirm1_0000000042_%1.bmp").arg(depth));
}

void saveBitmap(int depth)
{
    const QImage captured = capturePage(Doc->Panel1);
    saveArchiveImage(archivePicture(captured, depth), depth, archivePath(depth));
}

void BM_PrintBitmap(benchmark::State &state)
{
    const int depth = int(state.range(0));
    for (auto _ : state)
        saveBitmap(depth);
}

void BM_Print(benchmark::State &state)
{
    const int depth = int(state.range(0));
    for (auto _ : state) {
        saveBitmap(depth);
        savePdfCopy(Doc->Panel1, output.filePath(QStringLiteral("InvFirm1_0000000042.pdf")));
    }
}

void BM_Print_Baseline(benchmark::State &state)
{
    const int depth = int(state.range(0));
    saveBitmap(depth);
    const std::vector<char> bytes(size_t(QFileInfo(archivePath(depth)).size()), '\x5a');
    const QByteArray path = QFile::encodeName(output.filePath(QStringLiteral("plain.bin")));
    for (auto _ : state) {
        FILE *file = std::fopen(path.constData(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

void depths(benchmark::internal::Benchmark *benchmark)
{
    for (int depth : {8, 24, 32})
        benchmark->Arg(depth);
    benchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Print)->Apply(depths);
BENCHMARK(BM_PrintBitmap)->Apply(depths);
BENCHMARK(BM_Print_Baseline)->Apply(depths);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BenchPrompter prompter;
    setPrompter(&prompter);
    setUpApplication(app);
    StartFolder = BenchData::scratchFolder(1000);
    QDir::setCurrent(StartFolder);
    createWindows();
    Main->SpeedButton4Click();  // "Към фактурата": the page as it is printed
    QApplication::processEvents();
    std::fprintf(stderr, "page: %d × %d\n", Doc->Panel1->width(), Doc->Panel1->height());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    destroyWindows();
    setPrompter(nullptr);
    return 0;
}
