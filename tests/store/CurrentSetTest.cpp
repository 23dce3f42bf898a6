#include "CurrentSet.h"
#include "Files.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

class RecordingView final : public Deckwork::SetTextsView {
public:
    RecordingView() { Deckwork::SetSetTextsView(this); }
    ~RecordingView() override { Deckwork::SetSetTextsView(nullptr); }
    void showSetTexts(const Deckwork::SetTexts& t) override { texts = t; }
    Deckwork::SetTexts texts;
};

const QByteArray kUserSets =
    crlf({"Sets", "States|Capitals|StatesCapitals.dat", " Spanish |English|SpanishEnglish.dat",
          "Bad|Name|../x.dat", "Only|Two", "Abs|Path|/etc/passwd", "Gone|Missing|Gone.dat"});

}  // namespace

TEST(ReadSets, InstalledSetTextsExactly) {
    ProgramFolder folder;
    RecordingView view;
    folder.write("sets.dat", folder.read("default-sets.dat"));
    folder.write("StatesCapitals.dat", folder.read("default.dat"));
    folder.write("in-use.dat", crlf({"old"}));
    Deckwork::SelectedSet = 1;
    Deckwork::ReadSets();
    EXPECT_EQ(view.texts.label3,
              "You have the States/Capitals set of flashcards in your hand. Click the 'Edit Cards' "
              "button to pick up another set of flashcards, make a your own set of flashcards or "
              "add/remove flashcards to/from this States/Capitals set.");
    EXPECT_EQ(view.texts.option5, "Show States first and then flip to Capitals");
    EXPECT_EQ(view.texts.option6, "Show Capitals first and then flip to States");
    EXPECT_EQ(Deckwork::SetFilePath, folder.path("StatesCapitals.dat"));
    EXPECT_EQ(folder.read("in-use.dat"), folder.read("default.dat"));
    EXPECT_EQ(Deckwork::SetLines.size(), 2);
}

TEST(ReadSets, PicksTheSelectedLineOrFallsBack) {
    struct Case {
        int selected;
        QString side1, side2, file;
        int reports;
        QByteArray inUse;  // what the working copy holds afterwards
    };
    const QByteArray spanish = crlf({"Spanish|English", "Rojo|Red"});
    const QByteArray before = crlf({"before"});
    const QByteArray installed = crlf({"installed"});
    const Case cases[] = {
        {2, " Spanish ", "English", "SpanishEnglish.dat", 0, spanish},  // fields untrimmed
        {3, "States", "Capitals", "default.dat", 1, installed},         // not a bare name
        {4, "Only", "Two", "default.dat", 1, installed},                // third field missing
        {5, "States", "Capitals", "default.dat", 1, installed},         // outside the folder
        {6, "Gone", "Missing", "Gone.dat", 0, before},                  // file missing: keep copy
        {9, "States", "Capitals", "default.dat", 0, installed},         // beyond the list
        {0, "States", "Capitals", "default.dat", 0, installed},         // header line is no set
        {-5, "States", "Capitals", "default.dat", 0, installed},
    };
    for (const Case& c : cases) {
        ProgramFolder folder;
        ScriptedDialogs dialogs;
        RecordingView view;
        folder.write("sets.dat", kUserSets);
        folder.write("SpanishEnglish.dat", spanish);
        folder.write("default.dat", installed);
        folder.write("in-use.dat", before);
        Deckwork::SelectedSet = c.selected;
        Deckwork::ReadSets();
        EXPECT_EQ(Deckwork::Side1Topic, c.side1) << c.selected;
        EXPECT_EQ(Deckwork::Side2Topic, c.side2) << c.selected;
        EXPECT_EQ(Deckwork::SetFilePath, folder.path(c.file)) << c.selected;
        EXPECT_EQ(dialogs.errors().size(), c.reports) << c.selected;
        EXPECT_EQ(folder.read("in-use.dat"), c.inUse) << c.selected;
        EXPECT_EQ(view.texts.option5, "Show " + c.side1 + " first and then flip to " + c.side2);
    }
}

TEST(ReadSets, ReportsWhatItCannotUse) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingView view;
    folder.write("sets.dat", kUserSets);
    Deckwork::SelectedSet = 3;
    Deckwork::ReadSets();
    Deckwork::SelectedSet = 4;
    Deckwork::ReadSets();
    EXPECT_EQ(dialogs.errors(),
              QStringList({expectedReport("Bad file name or number", "Deckwork.ReadSets", 110),
                           expectedReport("Subscript out of range", "Deckwork.ReadSets", 110)}));
    EXPECT_FALSE(folder.exists("../x.dat"));
}

TEST(ReadSets, MissingSetListFallsBackToTheInstalledSet) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    RecordingView view;
    Deckwork::SelectedSet = 1;
    Deckwork::ReadSets();
    EXPECT_EQ(Deckwork::Side1Topic, "States");
    EXPECT_TRUE(Deckwork::SetLines.isEmpty());
    EXPECT_EQ(dialogs.errors(),
              QStringList{expectedReport("File not found", "Main.ReadFileToStringFSOLine", 100)});
    EXPECT_EQ(folder.read("in-use.dat"), folder.read("default.dat"));
}

TEST(LoadInUseCards, CountsCardLinesAndKeepsTheCountOfAnEmptyDeck) {
    ProgramFolder folder;
    folder.write("in-use.dat", folder.read("default.dat"));
    Deckwork::LoadInUseCards();
    EXPECT_EQ(Deckwork::CardCount, 50);
    EXPECT_EQ(Deckwork::CardLines.size(), 51);
    folder.write("in-use.dat", crlf({"States|Capitals"}));
    Deckwork::LoadInUseCards();
    EXPECT_EQ(Deckwork::CardLines.size(), 1);
    EXPECT_EQ(Deckwork::CardCount, 50);
}
