// The card store on large sets, each beside a floor on the same bytes. Reading a set into lines
// (ReadLines, an 8-bit file and a UTF-8 one, as lists of strings or as a session keeps them)
// within 1.5x of a plain read, QString::fromUtf8 and a split (ReadSplitFloor); an append
// (AppendCard) within 2x of a plain read and a safe write of the same bytes, synced
// (ReadWriteFloor). Importing the same cards from a CSV list takes at most three times as long as
// reading them from their card file (ImportCsv). Importing them from an Anki package of either
// layout takes at most ten times as long and at most 1 s (ImportAnki).
#include "AnkiPackage.h"
#include "Archive.h"
#include "CardOps.h"
#include "Codec.h"
#include "Files.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sqlite3.h>
#include <zstd.h>
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
        benchmark::DoNotOptimize(codec::encodeUtf8({table.rows.cardLines()}));
    }
}
BENCHMARK(ImportCsv)->Arg(50)->Arg(100000)->Unit(benchmark::kMillisecond);

// A 100,000-note Anki package of the same cards: the legacy layout as the export writes it
// (range(1) 0), or the latest (1): the same collection made schema 18, as a zstd stream. Each
// import is held to 10x ReadLines/100000/0/0 and 1 s; its peak memory (peak_MiB, counted from
// before the import) to twice the unpacked collection (collection_MiB).
QByteArray latestPackage(const QByteArray& legacy, qint64* unpacked) {
    QTemporaryDir dir;
    const QString path = dir.filePath("collection.anki21b");
    writeFile(path, exchange::Archive(legacy).read("collection.anki2", 1 << 30));
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_create_collation(db, "unicase", SQLITE_UTF8, nullptr,
                             [](void*, int n1, const void* a, int n2, const void* b) {
                                 return QByteArray(static_cast<const char*>(a), n1)
                                     .compare(QByteArray(static_cast<const char*>(b), n2),
                                              Qt::CaseInsensitive);
                             });
    // Note types, their fields and templates (configs as protobuf) and decks in tables.
    sqlite3_exec(db,
                 "UPDATE col SET ver = 18, models = '', decks = '';"
                 "CREATE TABLE notetypes (id integer primary key, name text COLLATE unicase, "
                 "config blob);"
                 "CREATE TABLE fields (ntid integer, ord integer, name text COLLATE unicase, "
                 "PRIMARY KEY (ntid, ord)) without rowid;"
                 "CREATE TABLE templates (ntid integer, ord integer, name text COLLATE unicase, "
                 "config blob, PRIMARY KEY (ntid, ord)) without rowid;"
                 "CREATE TABLE decks (id integer primary key, name text COLLATE unicase);"
                 "INSERT INTO notetypes SELECT DISTINCT mid, 'Basic', x'0800' FROM notes;"
                 "INSERT INTO fields SELECT DISTINCT mid, 0, 'Spanish' FROM notes;"
                 "INSERT INTO fields SELECT DISTINCT mid, 1, 'English' FROM notes;"
                 "INSERT INTO templates SELECT DISTINCT mid, 0, 'Card 1', "
                 "x'0a0b7b7b5370616e6973687d7d120b7b7b456e676c6973687d7d' FROM notes;"
                 "INSERT INTO decks SELECT DISTINCT did, 'Spanish' FROM cards;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray collection = readAll(path);
    *unpacked = collection.size();
    // A stream whose frame does not say its size, as Anki writes it.
    ZSTD_CCtx* zstd = ZSTD_createCCtx();
    QByteArray packed(qsizetype(ZSTD_compressBound(collection.size())), Qt::Uninitialized);
    ZSTD_inBuffer in{collection.constData(), size_t(collection.size()), 0};
    ZSTD_outBuffer out{packed.data(), size_t(packed.size()), 0};
    ZSTD_compressStream2(zstd, &out, &in, ZSTD_e_end);
    ZSTD_freeCCtx(zstd);
    packed.resize(qsizetype(out.pos));
    return exchange::WriteArchive({{"meta", QByteArray("\x08\x03")},
                                   {"collection.anki21b", packed},
                                   {"media", QByteArray()}});
}

qint64 statusKiB(const char* key) {
    for (const QByteArray& line : readAll("/proc/self/status").split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ')[0].toLongLong();
    return 0;
}

void ImportAnki(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("deck.apkg");
    QVector<exchange::Row> rows;
    for (const QString& line : codec::splitLines(codec::decode(bigSet(int(state.range(0))))))
        rows.append({line.section('|', 0, 0), line.section('|', 1, 1)});
    rows.removeFirst();  // the topics
    qint64 unpacked = 0;
    QByteArray package = exchange::anki::WritePackage("Spanish", "English", rows);
    if (state.range(1))
        package = latestPackage(package, &unpacked);
    else
        unpacked = exchange::Archive(package).read("collection.anki2", 1 << 30).size();
    writeFile(path, package);
    qint64 peak = 0;
    for (auto _ : state) {
        // The highest resident size so far starts again from here.
        // Memory freed before is given back, so that it is not counted as in use.
        malloc_trim(0);
        writeFile("/proc/self/clear_refs", "5");
        const qint64 before = statusKiB("VmRSS:");
        const exchange::Reading reading = exchange::ReadCards(Main::ReadBytes(path), path);
        if (reading.rowCount() != rows.size()) state.SkipWithError("cards missing");
        for (const exchange::Deck& deck : reading.decks)
            benchmark::DoNotOptimize(codec::encodeUtf8({deck.rows.cardLines()}));
        peak = qMax(peak, statusKiB("VmHWM:") - before);
    }
    state.counters["peak_MiB"] = double(peak) / 1024;
    state.counters["collection_MiB"] = double(unpacked) / (1 << 20);
}
BENCHMARK(ImportAnki)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

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
