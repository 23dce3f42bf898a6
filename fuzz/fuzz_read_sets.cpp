// ReadSets on any sets.dat and SelectedSet: the selected line's topics and file (line 1's for a
// choice beyond the list), no file unless the line names a set's own, else the installed set's;
// a report per unusable field; no change but in-use.dat, a copy of the set's file or, when it
// has none, the header alone.
#include "Codec.h"
#include "CurrentSet.h"
#include "Files.h"
#include "FuzzSupport.h"

using namespace fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    box().write(QStringLiteral("a.dat"), "\xC9tat|Capitale\r\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int selected = size ? int8_t(data[0]) : 0;
    const QByteArray sets = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).mid(1);
    const QString folder = box().folder();
    box().write(QStringLiteral("sets.dat"), sets);
    box().write(Deckwork::InUsePath, "working copy\r\n");
    const auto outside = box().outside();
    auto inside = box().inside();
    const QStringList& boxes = boxesFromNow();
    Deckwork::SelectedSet = selected;
    Deckwork::ReadSets();

    const QStringList lines = codec::splitLines(codec::decode(sets));
    QStringList want = QStringList{"States", "Capitals", "default.dat"}, fields;
    if (lines.size() > 1 && (selected < 1 || selected >= lines.size())) selected = 1;
    if (selected >= 1 && selected < lines.size()) fields = lines[selected].split('|');
    const bool badName = fields.size() >= 3 && !Main::IsOwnSetFileName(fields[2]);
    for (int i = 0; i < std::min(3, int(fields.size())); ++i) want[i] = fields[i];
    if (!fields.isEmpty() && (badName || fields.size() < 3)) want[2].clear();
    const int reports = badName ? 1 : fields.isEmpty() ? 0 : std::max(0, 3 - int(fields.size()));
    FUZZ_CHECK(Deckwork::SetLines == lines && boxes.size() == reports, sets);
    FUZZ_CHECK(Deckwork::SelectedSet == selected, sets);
    FUZZ_CHECK(Deckwork::Side1Topic == want[0] && Deckwork::Side2Topic == want[1], sets);
    FUZZ_CHECK(Deckwork::SetFilePath == (want[2].isEmpty() ? QString() : folder + '/' + want[2]),
               sets);
    FUZZ_CHECK(
        want[2].isEmpty() || QFileInfo(QDir::cleanPath(Deckwork::SetFilePath)).path() == folder,
        sets);
    // The working copy alone changes, into a copy of the set's own file or its header alone.
    inside[QStringLiteral("in-use.dat")] =
        !want[2].isEmpty() && QFile::exists(Deckwork::SetFilePath)
            ? box().read(Deckwork::SetFilePath)
            : codec::encode(want[0] + '|' + want[1] + "\r\n");
    FUZZ_CHECK(box().outside() == outside && box().inside() == inside, sets);
    return 0;
}
