// The card store on large sets, each beside a floor on the same bytes. Reading a set into lines
// (ReadLines, an 8-bit file and a UTF-8 one, as lists of strings or as a session keeps them)
// within 1.5x of a plain read, QString::fromUtf8 and a split (ReadSplitFloor); an append
// (AppendCard) within 2x of a plain read and a safe write of the same bytes, synced
// (ReadWriteFloor). Importing the same cards from a CSV list takes at most three times as long as
// reading them from their card file (ImportCsv).
#include "CardOps.h"
#include "Codec.h"
#include "Files.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

namespace {

// In Windows-1252, or in UTF-8 with `utf8`.
QByteArray bigSet(int cards, bool utf8 = false) {
    QByteArray bytes = "Spanish|English\r\n";
    for (int i = 0; i < cards; ++i)
        bytes += (utf8 ? "palabra n\xC3\xBAmero " : "palabra n\xFAmero ") + QByteArray::number(i) +
                 "|word " + QByteArray::number(i) + "\r\n";
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// range(1): 0 for an 8-bit file, 1 for UTF-8. range(2): 1 for the lines a session keeps, as the
// file's bytes, each decoded when shown.
void ReadLines(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.dat");
    writeFile(path, bigSet(int(state.range(0)), state.range(1)));
    for (auto _ : state) {
        if (state.range(2))
            benchmark::DoNotOptimize(codec::Lines(Main::ReadBytes(path)));
        else
            benchmark::DoNotOptimize(Main::ReadFileToStringFSOLine(path));
    }
}
BENCHMARK(ReadLines)
    ->Args({50, 0, 0})
    ->Args({100000, 0, 0})
    ->Args({100000, 1, 0})
    ->Args({100000, 0, 1})
    ->Args({100000, 1, 1})
    ->Unit(benchmark::kMillisecond);

void ReadSplitFloor(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.dat");
    writeFile(path, bigSet(int(state.range(0)), state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::fromUtf8(readAll(path)).split(QStringLiteral("\r\n")));
}
BENCHMARK(ReadSplitFloor)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

// The cards of a 100,000-card set as the card lines of a new set, from a CSV list.
void ImportCsv(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.csv");
    QVector<exchange::Row> rows;
    for (const QString& line : codec::splitLines(codec::decode(bigSet(int(state.range(0))))))
        rows.append({line.section('|', 0, 0), line.section('|', 1, 1)});
    writeFile(path, exchange::WriteTable("Spanish", "English", rows.mid(1), path));
    for (auto _ : state) {
        exchange::Table table = exchange::ReadTable(Main::ReadBytes(path), path);
        table.rows.removeFirst();  // the topics
        benchmark::DoNotOptimize(editor::CardLinesOf(table.rows));
    }
}
BENCHMARK(ImportCsv)->Arg(50)->Arg(100000)->Unit(benchmark::kMillisecond);

void AppendCard(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.dat");
    writeFile(path, bigSet(int(state.range(0))));
    for (auto _ : state) Main::EditFileFSO(path, "uno|one", "", true, false, false, false);
}
BENCHMARK(AppendCard)->Arg(50)->Arg(100000)->Unit(benchmark::kMillisecond);

void ReadWriteFloor(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.dat");
    writeFile(path, bigSet(int(state.range(0))));
    for (auto _ : state) {
        const QByteArray bytes = readAll(path);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(ReadWriteFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
