// EditFileFSO on arbitrary file contents, in every form: the file ends up holding exactly the
// lines the caller asked for, and every line it did not mean to change is kept (byte for byte
// while the file keeps its encoding, as the same text when the codec had to change it).
#include "Codec.h"
#include "Files.h"
#include "FuzzSupport.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t form = in.byte() % 6;
    const bool append = form % 3 == 0, replace = form % 3 == 1, del = form % 3 == 2;
    const bool skip = form >= 3;
    const uint8_t pick = in.byte();
    const QString newLine = codec::decode(in.bytes(in.byte() % 32));
    const QByteArray before = in.rest();

    RecordingDialogs& shown = dialogs();
    const QString folder = programFolder();
    const QString path = folder + QStringLiteral("/f.dat");
    writeBytes(path, before);
    const QStringList old = codec::splitLines(codec::decode(before));
    const QList<QByteArray> oldRaw = rawLines(withoutBom(before));
    // Mostly a line of the file, so that replace and delete have something to find.
    const QString match = pick < old.size() ? old[pick] : QStringLiteral("no|such line");

    Main::EditFileFSO(path, newLine, match, append, replace, del, skip);

    QStringList wanted;
    QList<qsizetype> keptFrom;  // for each wanted line, the old line it keeps, or -1
    const QStringList base = skip ? QStringList() : old;
    for (qsizetype i = 0; i < base.size(); ++i) {
        if (!append && base[i] == match) {
            if (replace) wanted.append(newLine), keptFrom.append(-1);
            continue;
        }
        wanted.append(base[i]);
        keptFrom.append(i);
    }
    if (append) wanted.append(newLine), keptFrom.append(-1);

    const QByteArray after = readBytes(path);
    FUZZ_CHECK(shown.errors.isEmpty(), before);
    FUZZ_CHECK(listFolder(folder) == QStringList{QStringLiteral("f.dat")}, before);
    FUZZ_CHECK(
        codec::splitLines(codec::decode(after)) == codec::splitLines(codec::joinLines(wanted)),
        before);
    FUZZ_CHECK(after.isEmpty() == wanted.isEmpty() && (after.isEmpty() || after.endsWith("\r\n")),
               before);

    // A line break inside the new line makes lines of its own; the text check above covers it.
    const bool oneLine =
        !newLine.contains(QLatin1Char('\r')) && !newLine.contains(QLatin1Char('\n'));
    if (oneLine && isValidUtf8(before) == isValidUtf8(after)) {
        const QList<QByteArray> newRaw = rawLines(withoutBom(after));
        FUZZ_CHECK(newRaw.size() == wanted.size(), before);
        for (qsizetype j = 0; j < wanted.size(); ++j)
            if (keptFrom[j] >= 0) FUZZ_CHECK(newRaw[j] == oldRaw[keptFrom[j]], before);
    }
    return 0;
}
