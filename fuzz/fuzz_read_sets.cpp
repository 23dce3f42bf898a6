// ReadSets on any sets.dat and SelectedSet: the topics and file of the selected line, else the
// installed set's; a report for each field it cannot use; and no change but a copy of a file of
// the program folder over the working copy, inside the folder or outside it.
#include "Codec.h"
#include "CurrentSet.h"
#include "Files.h"
#include "FuzzSupport.h"

#include <QFileInfo>

using namespace fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const QString folder = programFolder();
    writeBytes(sandbox() + QStringLiteral("/x.dat"), "outside the program folder\r\n");
    writeBytes(folder + QStringLiteral("/default.dat"), "States|Capitals\r\nOhio|Columbus\r\n");
    writeBytes(folder + QStringLiteral("/a.dat"), "A|B\r\na|b\r\n");
    writeBytes(folder + QStringLiteral("/b.dat"), "\xC9tat|Capitale\r\n");
    Main::SetProgramFolder(folder);
    Deckwork::InUsePath = folder + QStringLiteral("/in-use.dat");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    const int selected = int8_t(in.byte());
    const QByteArray sets = in.bytes(in.size);
    const QString folder = programFolder();
    writeBytes(folder + QStringLiteral("/sets.dat"), sets);
    writeBytes(Deckwork::InUsePath, "working copy\r\n");
    const auto outside = snapshot(sandbox());
    auto inside = snapshot(folder);
    const QStringList& boxes = boxesFromNow();
    Deckwork::SelectedSet = selected;
    Deckwork::ReadSets();

    const QStringList lines = codec::splitLines(codec::decode(sets));
    QStringList want = {QStringLiteral("States"), QStringLiteral("Capitals"),
                        QStringLiteral("default.dat")};
    int reports = 0;
    if (selected >= 1 && selected < lines.size()) {
        const QStringList fields = lines[selected].split(QLatin1Char('|'));
        const bool badName = fields.size() >= 3 && !Main::IsBareFileName(fields[2]);
        reports = badName ? 1 : std::max(0, 3 - int(fields.size()));
        for (int i = 0; i < std::min(3, int(fields.size())) && !badName; ++i) want[i] = fields[i];
    }
    FUZZ_CHECK(Deckwork::SetLines == lines && boxes.size() == reports, sets);
    FUZZ_CHECK(Deckwork::Side1Topic == want[0] && Deckwork::Side2Topic == want[1], sets);
    FUZZ_CHECK(Deckwork::SetFilePath == folder + QLatin1Char('/') + want[2], sets);
    FUZZ_CHECK(QFileInfo(QDir::cleanPath(Deckwork::SetFilePath)).path() == folder, sets);

    // The working copy alone may change, into a copy of the set's own file.
    QByteArray copy = "working copy\r\n";
    for (const auto& entry : inside)
        if (entry.first == want[2]) copy = entry.second;
    for (auto& entry : inside)
        if (entry.first == QLatin1String("in-use.dat")) entry.second = copy;
    FUZZ_CHECK(snapshot(sandbox()) == outside && snapshot(folder) == inside, sets);
    return 0;
}
