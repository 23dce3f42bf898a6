// EditFileFSO in every form on a set file named after the new line as the editor names one: a bare
// name; the lines asked for; the others kept byte for byte while the encoding stays; nothing else.
#include "Codec.h"
#include "Files.h"
#include "FuzzSupport.h"

#include <QRegularExpression>

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (size < 3) return 0;
    const int form = uchar(input[0]) % 6, pick = uchar(input[1]);
    const bool append = form % 3 == 0, replace = form % 3 == 1, skip = form >= 3;
    const QByteArray line = input.mid(3, uchar(input[2]) % 32), before = input.mid(3 + line.size());
    const QString newLine = codec::decode(line);
    const QString name = Main::MakeSetFileName(newLine), path = box().path(name);
    static const QRegularExpression unsafe("[\\x00-\\x1f\\x7f-\\x9f/\\\\*:?<>|\"]");
    FUZZ_CHECK(Main::IsBareFileName(name) && !name.contains(unsafe), before);
    // The editor refuses topics that would name one of the program's own files.
    if (!Main::IsOwnSetFileName(name)) return 0;

    static const auto inside = box().inside(), outside = box().outside();
    const QStringList& boxes = boxesFromNow();
    box().write(path, before);
    const QStringList old = codec::splitLines(codec::decode(before));
    // Mostly a line of the file, so that replace and delete have something to find.
    const QString match = pick < old.size() ? old[pick] : QStringLiteral("no|such line");
    Main::EditFileFSO(path, newLine, match, append, replace, !append && !replace, skip);
    const QByteArray after = box().read(path);
    QFile::remove(path);
    FUZZ_CHECK(boxes.isEmpty() && box().inside() == inside && box().outside() == outside, before);

    QStringList wanted;
    QList<qsizetype> from;  // for each wanted line, the old line it keeps, or -1
    for (qsizetype i = 0; i < (skip ? 0 : old.size()); ++i) {
        if (append || old[i] != match) wanted.append(old[i]), from.append(i);
        if (!append && old[i] == match && replace) wanted.append(newLine), from.append(-1);
    }
    if (append) wanted.append(newLine), from.append(-1);
    const QStringList lines = codec::splitLines(codec::decode(after));
    FUZZ_CHECK(lines == codec::splitLines(codec::joinLines(wanted)), before);
    FUZZ_CHECK(after.isEmpty() ? wanted.isEmpty() : after.endsWith("\r\n"), before);
    // A line break in the new line makes lines of its own; the check of the text covers those.
    if (newLine.contains('\r') || newLine.contains('\n') ||
        isValidUtf8(before) != isValidUtf8(after))
        return 0;
    const QList<QByteArray> was = rawLines(withoutBom(before)), now = rawLines(withoutBom(after));
    FUZZ_CHECK(now.size() == wanted.size(), before);
    for (qsizetype j = 0; j < wanted.size(); ++j)
        FUZZ_CHECK(from[j] < 0 || now[j] == was[from[j]], before);
    return 0;
}
