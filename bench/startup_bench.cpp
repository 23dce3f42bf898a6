// The whole start-up, from an empty program folder (first start, files provisioned) and from a
// provisioned one, to a main window ready to show. Target: well under 100 ms.
#include "Files.h"
#include "Form1.h"
#include "Settings.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

void provision(const QTemporaryDir& dir) {
    for (const char* name : {"default-sets.dat", "default.dat"})
        QFile::copy(QStringLiteral(QUORVANE_RESOURCES "/") + name, dir.filePath(name));
}

void FirstStart(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        provision(dir);
        Main::SetProgramFolder(dir.path());
        QFile::remove(SettingsFilePath());
        state.ResumeTiming();
        Form1 form;
        benchmark::DoNotOptimize(&form);
    }
}
BENCHMARK(FirstStart)->Unit(benchmark::kMillisecond);

void LaterStart(benchmark::State& state) {
    QTemporaryDir dir;
    provision(dir);
    Main::SetProgramFolder(dir.path());
    { Form1 first; }
    for (auto _ : state) {
        Form1 form;
        benchmark::DoNotOptimize(&form);
    }
}
BENCHMARK(LaterStart)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
