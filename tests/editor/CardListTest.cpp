// The two lists built from the files, without a window.
#include "CardOps.h"
#include "CurrentSet.h"
#include "Lists.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"
#include "SetOps.h"

#include <gtest/gtest.h>

namespace {

QStringList entriesOf(const editor::ListModel& model) {
    QStringList entries;
    for (int k = 1; k <= model.count(); ++k) {
        const editor::Entry& e = model.entry(k);
        entries.append(model.columnCount() == 1 ? e.text : e.text + "|" + e.subItem);
    }
    return entries;
}

}  // namespace

TEST(FillTheList, ListsTheCardLinesOfTheWorkingCopy) {
    struct Case {
        const char* name;
        QByteArray inUse;
        QStringList entries;
    };
    const Case cases[] = {
        {"header with a bar is never listed", crlf({"Red|Rojo", "Blue|Azul"}), {"Blue|Azul"}},
        {"line without a bar and empty line left out",
         crlf({"H", "Red", "", "Blue|Azul", "Green|Verde"}),
         {"Blue|Azul", "Green|Verde"}},
        {"third field ignored", crlf({"H", "Red|Rojo|Rouge"}), {"Red|Rojo"}},
        {"blanks trimmed, tabs kept",
         crlf({"H", "  Red | Rojo ", "\tBlue|Azul\t"}),
         {"Red|Rojo", "\tBlue|Azul\t"}},
        {"empty sides listed", crlf({"H", "|", "Red|"}), {"|", "Red|"}},
        {"header only", crlf({"H"}), {}},
        {"empty file", "", {}},
        {"last line without line end", "H\r\nRed|Rojo\r\nBlue|Azul", {"Red|Rojo", "Blue|Azul"}},
    };
    for (const Case& c : cases) {
        ProgramFolder folder;
        ScriptedDialogs dialogs;
        folder.write("in-use.dat", c.inUse);
        Deckwork::Side1Topic = "Espanol";
        Deckwork::Side2Topic = "English";
        bool newSet = false;
        editor::Lists lists(newSet);
        lists.cards.setEntries({{"stale", "entry"}});
        editor::FillTheList(lists);
        EXPECT_EQ(entriesOf(lists.cards), c.entries) << c.name;
        EXPECT_EQ(lists.cards.headerData(0, Qt::Horizontal).toString(), "Espanol") << c.name;
        EXPECT_EQ(lists.cards.headerData(1, Qt::Horizontal).toString(), "English") << c.name;
        EXPECT_TRUE(dialogs.shown.isEmpty()) << c.name;
    }
}

TEST(FillTheList, AMissingWorkingCopyIsReportedAndLeavesTheListEmpty) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    bool newSet = false;
    editor::Lists lists(newSet);
    lists.cards.setEntries({{"stale", "entry"}});
    editor::FillTheList(lists);
    EXPECT_EQ(lists.cards.count(), 0);
    EXPECT_EQ(dialogs.errors(),
              QStringList{expectedReport("File not found", "Main.ReadFileToStringFSOLine", 100)});
}

TEST(FillTheList, ListsAHundredThousandCards) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    QByteArray bytes = "H\r\n";
    for (int i = 0; i < 100000; ++i) bytes += "Side " + QByteArray::number(i) + "|Other\r\n";
    folder.write("in-use.dat", bytes);
    bool newSet = false;
    editor::Lists lists(newSet);
    editor::FillTheList(lists);
    ASSERT_EQ(lists.cards.count(), 100000);
    EXPECT_EQ(lists.cards.entry(100000).text, "Side 99999");
    EXPECT_EQ(Deckwork::CardCount, 100000);
}

TEST(FillTheSets, EntryKShowsSetLineK) {
    struct Case {
        const char* name;
        QStringList setLines;
        QStringList entries;
    };
    const Case cases[] = {
        {"installed set", {"Sets", "States|Capitals|StatesCapitals.dat"}, {"States/Capitals"}},
        {"line without a bar keeps its place",
         {"Sets", "States|Capitals|StatesCapitals.dat", "Broken", "A|B|AB.dat"},
         {"States/Capitals", "Broken/", "A/B"}},
        {"empty line keeps its place",
         {"Sets", "S|C|SC.dat", "", "A|B|AB.dat"},
         {"S/C", "/", "A/B"}},
        {"topics shown as they stand", {"Sets", " Spanish |English|x.dat"}, {" Spanish /English"}},
        {"header only", {"Sets"}, {}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases) {
        ProgramFolder folder;
        ScriptedDialogs dialogs;
        Deckwork::SetLines = c.setLines;
        bool newSet = false;
        editor::Lists lists(newSet);
        lists.sets.setEntries({{"stale", {}}});
        editor::FillTheSets(lists);
        EXPECT_EQ(entriesOf(lists.sets), c.entries) << c.name;
        EXPECT_TRUE(dialogs.shown.isEmpty()) << c.name;
    }
}

TEST(CardList, AHugeSideIsShownShortAndKeptWhole) {
    editor::ListModel model(2);
    const QString huge(10'000'000, QLatin1Char('x'));
    model.setEntries({{huge, "short"}});
    const QString shown = model.data(model.index(0, 0), Qt::DisplayRole).toString();
    EXPECT_EQ(shown.size(), editor::ListModel::kShownLength + 1);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "short");
    EXPECT_EQ(model.entry(1).text, huge);  // the operations still match the whole line
}
