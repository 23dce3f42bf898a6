// ReadSets on an arbitrary sets.dat with an arbitrary SelectedSet: it takes the topics and the
// file of the selected line or the installed set's defaults, reports every field it cannot use,
// copies only a file of the program folder over the working copy, and changes nothing else,
// inside the folder or outside it.
#include "Codec.h"
#include "CurrentSet.h"
#include "Files.h"
#include "FuzzSupport.h"

#include <QFileInfo>

using namespace fuzz;

namespace {

class RecordingView final : public Deckwork::SetTextsView {
public:
    void showSetTexts(const Deckwork::SetTexts& t) override { texts = t, shown = true; }
    Deckwork::SetTexts texts;
    bool shown = false;
};

const QByteArray kWorkingCopy = "working copy\r\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    writeBytes(sandbox() + QStringLiteral("/x.dat"), "outside the program folder\r\n");
    const QString folder = programFolder();
    writeBytes(folder + QStringLiteral("/default.dat"), "States|Capitals\r\nOhio|Columbus\r\n");
    writeBytes(folder + QStringLiteral("/a.dat"), "A|B\r\na|b\r\n");
    writeBytes(folder + QStringLiteral("/b.dat"), "\xC9tat|Capitale\r\n");
    Main::SetProgramFolder(folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const int selected = int8_t(in.byte());
    const QByteArray sets = in.rest();

    RecordingDialogs& shown = dialogs();
    RecordingView view;
    Deckwork::SetSetTextsView(&view);
    const QString folder = programFolder();
    writeBytes(folder + QStringLiteral("/sets.dat"), sets);
    writeBytes(folder + QStringLiteral("/in-use.dat"), kWorkingCopy);
    const auto outsideBefore = snapshot(sandbox());
    auto insideBefore = snapshot(folder);
    Deckwork::InUsePath = folder + QStringLiteral("/in-use.dat");
    Deckwork::SelectedSet = selected;

    Deckwork::ReadSets();
    Deckwork::SetSetTextsView(nullptr);

    const QStringList lines = codec::splitLines(codec::decode(sets));
    FUZZ_CHECK(Deckwork::SetLines == lines, sets);
    QString side1 = QStringLiteral("States"), side2 = QStringLiteral("Capitals");
    QString file = QStringLiteral("default.dat");
    int reports = 0;
    if (selected >= 1 && selected < lines.size()) {
        const QStringList fields = lines[selected].split(QLatin1Char('|'));
        reports = fields.size() < 3 ? 3 - int(fields.size()) : 0;
        if (fields.size() >= 3 && !Main::IsBareFileName(fields[2])) {
            reports = 1;
        } else {
            side1 = fields[0];
            if (fields.size() > 1) side2 = fields[1];
            if (fields.size() > 2) file = fields[2];
        }
    }
    FUZZ_CHECK(Deckwork::Side1Topic == side1 && Deckwork::Side2Topic == side2, sets);
    FUZZ_CHECK(Deckwork::SetFilePath == folder + QLatin1Char('/') + file, sets);
    FUZZ_CHECK(QFileInfo(Deckwork::SetFilePath).absolutePath() == folder, sets);
    FUZZ_CHECK(shown.errors.size() == reports, sets);
    const Deckwork::SetTexts texts = Deckwork::DescribeSet(side1, side2);
    FUZZ_CHECK(view.shown && view.texts.label3 == texts.label3 &&
                   view.texts.option5 == texts.option5 && view.texts.option6 == texts.option6,
               sets);

    // Nothing outside the folder changed; inside, only the working copy, and only into a copy
    // of the set's own file.
    FUZZ_CHECK(snapshot(sandbox()) == outsideBefore, sets);
    const auto insideAfter = snapshot(folder);
    QByteArray workingCopy = kWorkingCopy;
    for (const auto& entry : insideBefore)
        if (entry.first == file) workingCopy = entry.second;
    for (auto& entry : insideBefore)
        if (entry.first == QLatin1String("in-use.dat")) entry.second = workingCopy;
    FUZZ_CHECK(insideAfter == insideBefore, sets);
    return 0;
}
