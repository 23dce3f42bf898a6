// The card store on large sets: a 100,000-card set must read and rewrite in well under a
// second, since every card operation rewrites the whole working copy. Importing the same cards
// from a CSV list takes at most three times as long as reading them from their card file
// (ImportCsv against ReadLines).
#include "CardOps.h"
#include "Codec.h"
#include "Files.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray bigSet(int cards) {
    QByteArray bytes = "Spanish|English\r\n";
    for (int i = 0; i < cards; ++i)
        bytes += "palabra n\xFAmero " + QByteArray::number(i) + "|word " + QByteArray::number(i) +
                 "\r\n";
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

void ReadLines(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("set.dat");
    writeFile(path, bigSet(int(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(Main::ReadFileToStringFSOLine(path));
}
BENCHMARK(ReadLines)->Arg(50)->Arg(100000)->Unit(benchmark::kMillisecond);

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
    for (auto _ : state) {
        Main::EditFileFSO(path, "uno|one", "", true, false, false, false);
        Main::EditFileFSO(path, "", "uno|one", false, false, true, false);
    }
}
BENCHMARK(AppendCard)->Arg(50)->Arg(100000)->Unit(benchmark::kMillisecond);

void Decode(benchmark::State& state) {
    const QByteArray bytes = bigSet(100000);
    for (auto _ : state) benchmark::DoNotOptimize(codec::splitLines(codec::decode(bytes)));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(Decode)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
