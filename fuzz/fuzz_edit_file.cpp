// EditFileFSO in every form on any contents of a set file named after the new line, as the editor
// names a new set: a bare name without a path character; exactly the lines asked for; every line
// not meant to change kept byte for byte while the encoding stays; no other file anywhere.
#include "Codec.h"
#include "Files.h"
#include "FuzzSupport.h"

#include <cstring>

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    const uint8_t form = in.byte() % 6, pick = in.byte();
    const bool append = form % 3 == 0, replace = form % 3 == 1, skip = form >= 3;
    const QString newLine = codec::decode(in.bytes(in.byte() % 32));
    const QByteArray before = in.bytes(in.size);

    const QString name = Main::MakeSetFileName(newLine);
    FUZZ_CHECK(Main::IsBareFileName(name) && Main::MakeSetFileName(name.chopped(4)) == name,
               before);
    for (const uint c : name.toUcs4())
        FUZZ_CHECK(c >= 32 && (c < 127 || c > 159) && !(c < 128 && strchr("/\\*:?<>|\"", int(c))),
                   before);

    const QStringList& boxes = boxesFromNow();
    const QString path = programFolder() + QLatin1Char('/') + name;
    writeBytes(path, before);
    const QStringList old = codec::splitLines(codec::decode(before));
    // Mostly a line of the file, so that replace and delete have something to find.
    const QString match = pick < old.size() ? old[pick] : QStringLiteral("no|such line");
    Main::EditFileFSO(path, newLine, match, append, replace, !append && !replace, skip);
    const QByteArray after = readBytes(path);
    QFile::remove(path);
    FUZZ_CHECK(
        boxes.isEmpty() && snapshot(programFolder()).isEmpty() && snapshot(sandbox()).size() == 1,
        before);

    QStringList wanted;
    QList<qsizetype> from;  // for each wanted line, the old line it keeps, or -1
    for (qsizetype i = 0; i < (skip ? 0 : old.size()); ++i) {
        if (append || old[i] != match) wanted.append(old[i]), from.append(i);
        if (!append && old[i] == match && replace) wanted.append(newLine), from.append(-1);
    }
    if (append) wanted.append(newLine), from.append(-1);
    FUZZ_CHECK(
        codec::splitLines(codec::decode(after)) == codec::splitLines(codec::joinLines(wanted)),
        before);
    FUZZ_CHECK(after.isEmpty() ? wanted.isEmpty() : after.endsWith("\r\n"), before);
    // A line break in the new line makes lines of its own; the check of the text covers those.
    if (newLine.contains(QLatin1Char('\r')) || newLine.contains(QLatin1Char('\n')) ||
        isValidUtf8(before) != isValidUtf8(after))
        return 0;
    const QList<QByteArray> was = rawLines(withoutBom(before)), now = rawLines(withoutBom(after));
    FUZZ_CHECK(now.size() == wanted.size(), before);
    for (qsizetype j = 0; j < wanted.size(); ++j)
        FUZZ_CHECK(from[j] < 0 || now[j] == was[from[j]], before);
    return 0;
}
