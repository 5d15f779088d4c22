// The whole program as a process, on Qt's offscreen platform, beside the
// smallest Qt Widgets program that shows one input box:
//   start-up until the rate dialog is painted, with a goods table of
//   1,000,000 records in the start folder, also on an X server (the display
//   in BILVARO_BENCH_DISPLAY, an Xvfb that scripts/bench.sh starts), where
//   the window system's work is in it too: the window, its icon, the fonts;
//   and the smallest program again, linked with the program's libraries;
//   peak memory (maximum resident set) with the goods table open in the
//   browser, at 100,000 and 1,000,000 records, and with the register window
//   open on 100,000 documents.
// A probe plugin (bench/probe) ends each process the moment it gets there.
//   cmake --build build-bench --target bench_process && build-bench/bench/bench_process

#include "BenchData.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of the process
    double peakMegabytes = 0;
    bool ended = false;
};

enum class Platform { Offscreen, X11 };

// Starts the program in the folder with the probe waiting for what, and
// waits for it to end.
Outcome run(const char *program, const QString &folder, const char *what, Platform platform)
{
    const QByteArray directory = QFile::encodeName(folder);
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (platform == Platform::X11) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("DISPLAY", getenv("BILVARO_BENCH_DISPLAY"), 1);
        } else {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        setenv("QT_PLUGIN_PATH", BILVARO_PROBE_DIR, 1);
        setenv("QT_QPA_GENERIC_PLUGINS", "bilvaroprobe", 1);
        setenv("BILVARO_PROBE", what, 1);
        if (chdir(directory.constData()) != 0)
            _exit(126);
        // The offscreen platform's notices of what it cannot do are no news.
        if (FILE *quiet = std::freopen("/dev/null", "w", stderr); !quiet)
            _exit(126);
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    Outcome outcome;
    int status = 0;
    rusage usage{};
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        outcome.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
        const auto seconds = [](const timeval &time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
        outcome.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
        outcome.ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return outcome;
}

void measure(benchmark::State &state, const char *program, const QString &folder, const char *what,
             Platform platform = Platform::Offscreen)
{
    if (platform == Platform::X11 && !getenv("BILVARO_BENCH_DISPLAY")) {
        state.SkipWithError("skipped: no X server (Xvfb)");
        return;
    }
    std::vector<double> peaks;
    double cpu = 0;
    for (auto _ : state) {
        const Outcome outcome = run(program, folder, what, platform);
        if (!outcome.ended) {
            state.SkipWithError("the process did not get there");
            break;
        }
        state.SetIterationTime(outcome.seconds);
        peaks.push_back(outcome.peakMegabytes);
        cpu += outcome.cpuSeconds;
    }
    double peak = 0;
    for (double value : peaks)
        peak = std::max(peak, value);
    state.counters["peak_MB"] = peak;
    // The machine's load stretches the wall time; the process's own CPU time
    // is what it did.
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

void BM_StartUp(benchmark::State &state)
{
    measure(state, BILVARO_PROGRAM, BenchData::startFolder(1000000), "dialog");
}

void BM_StartUp_Baseline(benchmark::State &state)
{
    measure(state, BILVARO_MINIMAL, BenchData::startFolder(1000000), "dialog");
}

void BM_StartUp_Linked(benchmark::State &state)
{
    measure(state, BILVARO_MINIMAL_LINKED, BenchData::startFolder(1000000), "dialog");
}

void BM_StartUpX11(benchmark::State &state)
{
    measure(state, BILVARO_PROGRAM, BenchData::startFolder(1000000), "dialog", Platform::X11);
}

void BM_StartUpX11_Baseline(benchmark::State &state)
{
    measure(state, BILVARO_MINIMAL, BenchData::startFolder(1000000), "dialog", Platform::X11);
}

void BM_Memory(benchmark::State &state)
{
    measure(state, BILVARO_PROGRAM, BenchData::startFolder(int(state.range(0))), "goods");
}

void BM_MemoryRegister(benchmark::State &state)
{
    measure(state, BILVARO_PROGRAM, BenchData::registerStartFolder(int(state.range(0))), "register");
}

void BM_Memory_Baseline(benchmark::State &state)
{
    measure(state, BILVARO_MINIMAL, BenchData::startFolder(1000), "dialog");
}

// A start is a few milliseconds of CPU time: ten of them to each figure.
BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUp_Baseline)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUp_Linked)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpX11)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpX11_Baseline)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory)->Arg(100000)->Arg(1000000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryRegister)->Arg(100000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory_Baseline)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
