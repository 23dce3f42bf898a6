// The list of sets or the working copy deleted, or replaced by a folder, while the editor is
// open; then each editor operation. The failure is reported, no other file loses a byte, and
// the program goes on.
#include "Form1.h"
#include "Form3.h"
#include "ProgramRun.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTreeView>
#include <functional>

namespace {

const QByteArray kSets = crlfLines(
    {"Sets", "States|Capitals|StatesCapitals.dat", "Spanish|English|user.dat", "C|D|CD.dat"});
const QByteArray kUserSet = crlfLines({"Spanish|English", "Rojo|Red", "Verde|Green"});
const QByteArray kCD = crlfLines({"C|D", "c1|d1"});
const QByteArray kInside = "kept\r\n";

enum Fault { SetsDeleted, SetsFolder, InUseDeleted, InUseFolder };

struct Operation {
    const char* name;
    std::function<void(EditorDriver&, ScriptedDialogs&)> run;
};

const Operation kOperations[] = {
    {"Add Card",
     [](EditorDriver& ed, ScriptedDialogs& d) {
         d.answer("Azul").answer("Blue");
         ed.click("PushButton1");
     }},
    {"Edit Selected Entry",
     [](EditorDriver& ed, ScriptedDialogs& d) {
         ed.highlightCard(1);
         d.answer("Rojo").answer("Crimson");
         ed.click("PushButton2");
     }},
    {"Delete Selected Entry",
     [](EditorDriver& ed, ScriptedDialogs& d) {
         ed.highlightCard(1);
         d.yes();
         ed.click("PushButton3");
     }},
    {"Create New Set",
     [](EditorDriver& ed, ScriptedDialogs& d) {
         d.answer("Greek").answer("English");
         ed.click("PushButton6");
     }},
    {"Delete Selected Set",
     [](EditorDriver& ed, ScriptedDialogs& d) {
         EditorDriver::highlightByKeys(ed.setList(), 3);
         d.yes();
         ed.click("PushButton7");
     }},
    {"Pick a set", [](EditorDriver& ed, ScriptedDialogs&) { ed.pickSet(3); }},
    {"Go Back To Default Flashcards",
     [](EditorDriver& ed, ScriptedDialogs& d) {
         d.yes();
         ed.click("PushButton4");
     }},
    {"< Back", [](EditorDriver& ed, ScriptedDialogs&) { ed.click("PushButton5"); }},
};

}  // namespace

TEST(EditorFaults, AMissingListOrWorkingCopyIsReportedAndNothingElseIsLost) {
    Sandbox probe;
    const QByteArray installed = probe.read("default.dat");
    const QByteArray installedSets = probe.read("default-sets.dat");
    const QByteArray userAdded = kUserSet + "Azul|Blue\r\n";
    const QByteArray userEdited = crlfLines({"Spanish|English", "Rojo|Crimson", "Verde|Green"});
    const QByteArray userDeleted = crlfLines({"Spanish|English", "Verde|Green"});
    const QByteArray setsWithGreek = kSets + "Greek|English|GreekEnglish.dat\r\n";
    const QByteArray setsWithoutCD =
        crlfLines({"Sets", "States|Capitals|StatesCapitals.dat", "Spanish|English|user.dat"});
    const QByteArray greek = "Greek|English\r\n";
    const QString missing = "Main.ReadFileToStringFSOLine@100: File not found";
    const QString notAFile = "Main.ReadFileToStringFSOLine@100: Path/File access error";
    const QString notCopied = "Deckwork.ReadSets@112: Path/File access error";

    struct Case {
        Fault fault;
        const char* operation;
        QStringList reports;
        QMap<QString, QByteArray> changed;  // every other entry keeps its bytes
        const char* selectedSet;            // stored afterwards
    };
    const Case cases[] = {
        // The list of sets gone: the card operations do not need it.
        {SetsDeleted, "Add Card", {}, {{"in-use.dat", userAdded}, {"user.dat", userAdded}}, "2"},
        {SetsDeleted,
         "Edit Selected Entry",
         {},
         {{"in-use.dat", userEdited}, {"user.dat", userEdited}},
         "2"},
        {SetsDeleted,
         "Delete Selected Entry",
         {},
         {{"in-use.dat", userDeleted}, {"user.dat", userDeleted}},
         "2"},
        // A list begun afresh would lack the installed set and the header; the set stays
        // uncreated, its file unmade.
        {SetsDeleted, "Create New Set", {"Form3.PushButton6_Click@108: File not found"}, {}, "2"},
        // The set's line cannot go, so its cards stay too.
        {SetsDeleted,
         "Delete Selected Set",
         {"Form3.PushButton7_Click@110: File not found"},
         {},
         "2"},
        {SetsDeleted, "Pick a set", {missing}, {{"in-use.dat", installed}}, "3"},
        {SetsDeleted,
         "Go Back To Default Flashcards",
         {missing},
         {{"sets.dat", installedSets}, {"in-use.dat", installed}},
         "1"},
        {SetsDeleted, "< Back", {}, {}, "2"},

        {SetsFolder, "Add Card", {}, {{"in-use.dat", userAdded}, {"user.dat", userAdded}}, "2"},
        {SetsFolder,
         "Edit Selected Entry",
         {},
         {{"in-use.dat", userEdited}, {"user.dat", userEdited}},
         "2"},
        {SetsFolder,
         "Delete Selected Entry",
         {},
         {{"in-use.dat", userDeleted}, {"user.dat", userDeleted}},
         "2"},
        {SetsFolder,
         "Create New Set",
         {"Form3.PushButton6_Click@108: Path/File access error"},
         {},
         "2"},
        {SetsFolder,
         "Delete Selected Set",
         {"Form3.PushButton7_Click@110: Path/File access error"},
         {},
         "2"},
        {SetsFolder, "Pick a set", {notAFile}, {{"in-use.dat", installed}}, "3"},
        // The user's sets cannot be told from a list that cannot be read: their files stay.
        {SetsFolder,
         "Go Back To Default Flashcards",
         {notAFile, notAFile, notAFile},
         {{"in-use.dat", installed}},
         "1"},
        {SetsFolder, "< Back", {}, {}, "2"},

        // The working copy gone: a card change is not made on one line alone, and that line
        // never replaces the set's own cards.
        {InUseDeleted,
         "Add Card",
         {"Form3.PushButton1_Click@108: File not found", missing},
         {},
         "2"},
        {InUseDeleted,
         "Edit Selected Entry",
         {"Form3.PushButton2_Click@110: File not found", missing},
         {},
         "2"},
        {InUseDeleted,
         "Delete Selected Entry",
         {"Form3.PushButton3_Click@106: File not found", missing},
         {},
         "2"},
        // Loading a set makes it anew.
        {InUseDeleted,
         "Create New Set",
         {},
         {{"sets.dat", setsWithGreek}, {"GreekEnglish.dat", greek}, {"in-use.dat", greek}},
         "4"},
        {InUseDeleted,
         "Delete Selected Set",
         {},
         {{"sets.dat", setsWithoutCD}, {"CD.dat", "<gone>"}, {"in-use.dat", kUserSet}},
         "2"},
        {InUseDeleted, "Pick a set", {}, {{"in-use.dat", kCD}}, "3"},
        {InUseDeleted,
         "Go Back To Default Flashcards",
         {},
         {{"sets.dat", installedSets},
          {"user.dat", "<gone>"},
          {"CD.dat", "<gone>"},
          {"in-use.dat", installed}},
         "1"},
        {InUseDeleted, "< Back", {}, {}, "2"},

        {InUseFolder,
         "Add Card",
         {"Form3.PushButton1_Click@108: Path/File access error", notAFile},
         {},
         "2"},
        {InUseFolder,
         "Edit Selected Entry",
         {"Form3.PushButton2_Click@110: Path/File access error", notAFile},
         {},
         "2"},
        {InUseFolder,
         "Delete Selected Entry",
         {"Form3.PushButton3_Click@106: Path/File access error", notAFile},
         {},
         "2"},
        {InUseFolder,
         "Create New Set",
         {notCopied, notAFile},
         {{"sets.dat", setsWithGreek}, {"GreekEnglish.dat", greek}},
         "4"},
        {InUseFolder,
         "Delete Selected Set",
         {notCopied, notAFile},
         {{"sets.dat", setsWithoutCD}, {"CD.dat", "<gone>"}},
         "2"},
        {InUseFolder, "Pick a set", {notCopied, notAFile}, {}, "3"},
        {InUseFolder,
         "Go Back To Default Flashcards",
         {notCopied, notAFile},
         {{"sets.dat", installedSets}, {"user.dat", "<gone>"}, {"CD.dat", "<gone>"}},
         "1"},
        {InUseFolder, "< Back", {}, {}, "2"},
    };
    const char* const faultNames[] = {"sets.dat deleted", "sets.dat is a folder",
                                      "in-use.dat deleted", "in-use.dat is a folder"};
    int checked = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(faultNames[c.fault]) + ", then " + c.operation);
        const Operation* op = nullptr;
        for (const Operation& o : kOperations)
            if (QByteArray(o.name) == c.operation) op = &o;
        ASSERT_TRUE(op);
        Sandbox box;
        box.write("sets.dat", kSets);
        box.write("StatesCapitals.dat", box.read("default.dat"));
        box.write("user.dat", kUserSet);
        box.write("CD.dat", kCD);
        WriteSetting("SelectedSet", "2");
        ScriptedDialogs dialogs;
        auto main = std::make_unique<Form1>();
        main->show();
        EditorDriver ed(*main);
        ASSERT_TRUE(ed.editor());
        ASSERT_EQ(ed.cardEntries(), QStringList({"Rojo|Red", "Verde|Green"}));

        const QString victim = c.fault <= SetsFolder ? "sets.dat" : "in-use.dat";
        QFile::remove(box.path(victim));
        if (c.fault == SetsFolder || c.fault == InUseFolder) {
            ASSERT_TRUE(QDir().mkpath(box.path(victim)));
            box.write(victim + "/inside.dat", kInside);
        }
        const auto outside = box.outside();
        const auto before = box.snapshot();
        op->run(ed, dialogs);
        EXPECT_EQ(shortReports(dialogs.errors()), c.reports);
        EXPECT_EQ(changedEntries(before, box.snapshot()), readable(c.changed));
        EXPECT_EQ(box.outside(), outside);
        EXPECT_EQ(ReadSetting("SelectedSet", ""), c.selectedSet);
        EXPECT_TRUE(dialogs.scriptUsed());
        ++checked;

        // The program goes on: back to the main window, and a later start works on the folder.
        if (ed.editor()) ed.click("PushButton5");
        EXPECT_TRUE(main->isVisible());
        main.reset();
        dialogs.shown.clear();
        Form1 again;
        for (const QString& report : shortReports(dialogs.errors()))
            EXPECT_FALSE(report.startsWith("malformed")) << qPrintable(report);
        EditorDriver reopened(again);
        EXPECT_TRUE(reopened.editor() && reopened.editor()->isVisible());
    }
    RecordProperty("fault scenarios with nothing lost", checked);
}
