// The two list fillers of the editor run out of memory: each reports under its own name, and
// the program goes on. They do nothing else that can fail.
#include "Child.h"
#include "CurrentSet.h"
#include "Form1.h"
#include "Form3.h"
#include "ProgramRun.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QTreeView>
#include <cstdio>

namespace {

// The virtual memory this process holds now, in bytes.
rlim_t memoryInUse() {
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    return rlim_t(pages) * 4096;
}

void limitMemory(rlim_t bytes) {
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_AS, &limit);
}

}  // namespace

TEST(OutOfMemory, FillingTheSetListWithTooLittleMemoryIsReportedAndTheProgramGoesOn) {
    REQUIRE_FORK();
    Sandbox box;
    ScriptedDialogs dialogs;
    Form1 main;
    // Nothing is painted: painting starts threads, and a forked child could not use them.
    EditorDriver ed(main, false);
    ASSERT_TRUE(ed.editor());
    // A list of sets with one line of 32 million characters: read whole, but with too little
    // memory left to list it.
    box.write("sets.dat", "Sets\r\nStates|Capitals|StatesCapitals.dat\r\n" +
                              QByteArray(32 << 20, 'A') + "|B|big.dat\r\n");
    Form3* editor = ed.editor();
    Child child([editor] {
        Deckwork::ReadSets();
        say("read " + QByteArray::number(Deckwork::SetLines.size()));
        limitMemory(memoryInUse() + (32 << 20));
        editor->FillTheSets();
        say("went on with " + QByteArray::number(editor->setCount()) + " sets");
    });
    ASSERT_TRUE(child.finish(60000));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_EQ(shortReports(child.reports()), QStringList{"Form3.FillTheSets@104: Out of memory"});
    EXPECT_TRUE(child.lines().contains("read 3"));
    EXPECT_TRUE(child.lines().contains("went on with 0 sets"));
}

TEST(OutOfMemory, FillingTheCardListWithTooLittleMemoryIsReportedAndTheProgramGoesOn) {
    REQUIRE_FORK();
    Sandbox box;
    ScriptedDialogs dialogs;
    Form1 main;
    // Nothing is painted: painting starts threads, and a forked child could not use them.
    EditorDriver ed(main, false);
    ASSERT_TRUE(ed.editor());
    // Listing a card costs more memory than reading it: with room for the one and not the
    // other, the list is what fails.
    constexpr int kCards = 400000;
    QByteArray cards = "Many|Cards\r\n";
    cards.reserve(5 * kCards + 16);
    for (int i = 0; i < kCards; ++i) cards += "a|b\r\n";
    box.write("in-use.dat", cards);
    Form3* editor = ed.editor();
    struct Outcome {
        QStringList reports;
        QStringList lines;
    };
    const auto fillWith = [&](rlim_t room) {
        Child child([editor, room] {
            limitMemory(memoryInUse() + room);
            editor->FillTheList();
            say("went on with " +
                QByteArray::number(
                    editor->findChild<QTreeView*>("ListView1")->model()->rowCount()) +
                " cards");
        });
        EXPECT_TRUE(child.finish(60000));
        EXPECT_EQ(child.exitCode(), 0) << room;
        QStringList lines = child.lines();
        lines.removeIf([](const QString& l) { return l.startsWith("report: "); });
        return Outcome{shortReports(child.reports()), lines};
    };
    const QStringList readFailed[] = {{"Main.ReadFileToStringFSOLine@100: Out of memory"},
                                      {"Main.ReadFileToStringFSOLine@102: Out of memory"}};
    const auto readingFailed = [&](const Outcome& o) {
        return o.reports == readFailed[0] || o.reports == readFailed[1];
    };
    // Enough room for everything, then none: the bounds of the search.
    rlim_t enough = rlim_t(256) << 20, little = 0;
    const Outcome all = fillWith(enough);
    ASSERT_TRUE(all.reports.isEmpty()) << qPrintable(all.reports.join("\n"));
    ASSERT_EQ(all.lines, QStringList{"went on with 400000 cards"});
    const Outcome none = fillWith(little);
    ASSERT_TRUE(readingFailed(none)) << qPrintable(none.reports.join("\n"));
    // The least room in which the cards can be read: there the list cannot be filled.
    while (enough - little > (rlim_t(1) << 20)) {
        const rlim_t middle = little + (enough - little) / 2;
        const Outcome o = fillWith(middle);
        EXPECT_EQ(o.lines, QStringList{o.reports.isEmpty() ? "went on with 400000 cards"
                                                           : "went on with 0 cards"});
        if (readingFailed(o))
            little = middle;
        else
            enough = middle;
    }
    const Outcome edge = fillWith(enough);
    EXPECT_EQ(edge.reports, QStringList{"Form3.FillTheList@108: Out of memory"})
        << "with " << (enough >> 20) << " MB of room";
    EXPECT_EQ(edge.lines, QStringList{"went on with 0 cards"});
    EXPECT_EQ(box.read("in-use.dat"), cards);
}
