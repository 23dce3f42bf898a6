// Each trapped procedure that the other tests never see fail, made to fail at program level: the
// report names the procedure and the statement, and the procedure goes on with its next step.
#include "CurrentSet.h"
#include "Form1.h"
#include "Form3.h"
#include "ProgramRun.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTreeView>
#include <functional>

namespace {

const QByteArray kUserSet = crlfLines({"Spanish|English", "Rojo|Red", "Verde|Green"});
const QByteArray kCD = crlfLines({"C|D", "c1|d1"});

// A folder with two sets of the user's beside the installed one, the first of them in hand.
void prepare(Sandbox& box, const QByteArray& thirdSetLine = "C|D|CD.dat") {
    box.write("sets.dat", crlfLines({"Sets", "States|Capitals|StatesCapitals.dat",
                                     "Spanish|English|user.dat", thirdSetLine}));
    box.write("StatesCapitals.dat", box.read("default.dat"));
    box.write("user.dat", kUserSet);
    box.write("CD.dat", kCD);
    WriteSetting("SelectedSet", "2");
}

// Puts a folder where `path` was, so that writing it fails.
void folderInPlaceOf(const QString& path) {
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));
}

int highlighted(QTreeView* view) {
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

}  // namespace

TEST(TrapCoverage, EditorProceduresReportTheirOwnFailuresAndGoOn) {
    struct Case {
        const char* location;
        const char* fault;
        std::function<void(Sandbox&, EditorDriver&, ScriptedDialogs&)> run;
        QStringList reports;
        std::function<void(Sandbox&, EditorDriver&)> wentOn;
    };
    const Case cases[] = {
        {"Form3.PushButton2_Click",
         "the set's own file is a folder",
         [](Sandbox& box, EditorDriver& ed, ScriptedDialogs& d) {
             folderInPlaceOf(box.path("user.dat"));
             ed.highlightCard(2);
             d.answer("Verde").answer("Green light");
             ed.click("PushButton2");
         },
         {"Form3.PushButton2_Click@112: Path/File access error"},
         [](Sandbox& box, EditorDriver& ed) {
             EXPECT_EQ(box.read("in-use.dat"),
                       crlfLines({"Spanish|English", "Rojo|Red", "Verde|Green light"}));
             EXPECT_EQ(ed.cardEntries(), QStringList({"Rojo|Red", "Verde|Green light"}));
             EXPECT_EQ(highlighted(ed.cardList()), 2);
         }},
        {"Form3.PushButton3_Click",
         "the set's own file is a folder",
         [](Sandbox& box, EditorDriver& ed, ScriptedDialogs& d) {
             folderInPlaceOf(box.path("user.dat"));
             ed.highlightCard(1);
             d.yes();
             ed.click("PushButton3");
         },
         {"Form3.PushButton3_Click@108: Path/File access error"},
         [](Sandbox&, EditorDriver& ed) {
             EXPECT_EQ(ed.cardEntries(), QStringList({"Verde|Green"}));
         }},
        {"Form3.PushButton6_Click",
         "the settings file is a folder",
         [](Sandbox&, EditorDriver& ed, ScriptedDialogs& d) {
             folderInPlaceOf(SettingsFilePath());
             d.answer("Greek").answer("English");
             ed.click("PushButton6");
         },
         {"Form3.PushButton6_Click@116: Permission denied"},
         [](Sandbox& box, EditorDriver& ed) {
             EXPECT_EQ(box.read("GreekEnglish.dat"), "Greek|English\r\n");
             EXPECT_EQ(highlighted(ed.setList()), 4);
             EXPECT_TRUE(ed.editor()->NewSetSelected);
         }},
        {"Form3.PushButton7_Click",
         "the settings file is a folder",
         [](Sandbox&, EditorDriver& ed, ScriptedDialogs& d) {
             folderInPlaceOf(SettingsFilePath());
             EditorDriver::highlightByKeys(ed.setList(), 3);
             d.yes();
             ed.click("PushButton7");
         },
         {"Form3.PushButton7_Click@118: Permission denied"},
         [](Sandbox& box, EditorDriver& ed) {
             EXPECT_FALSE(QFile::exists(box.path("CD.dat")));
             EXPECT_EQ(highlighted(ed.setList()), 2);
             EXPECT_FALSE(ed.editor()->NewSetSelected);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.location) + ", " + c.fault);
        Sandbox box;
        prepare(box);
        ScriptedDialogs dialogs;
        Form1 main;
        EditorDriver ed(main);
        ASSERT_TRUE(ed.editor());
        c.run(box, ed, dialogs);
        EXPECT_EQ(shortReports(dialogs.errors()), c.reports);
        c.wentOn(box, ed);
        EXPECT_TRUE(dialogs.scriptUsed());
        QDir(SettingsFilePath()).removeRecursively();
    }
}

TEST(TrapCoverage, ASetLineWithoutItsFileNameIsReportedWhenTheSetIsDeleted) {
    Sandbox box;
    prepare(box, "Broken|Line");
    ScriptedDialogs dialogs;
    Form1 main;
    EditorDriver ed(main);
    ASSERT_EQ(ed.setEntries(), QStringList({"States/Capitals", "Spanish/English", "Broken/Line"}));
    EditorDriver::highlightByKeys(ed.setList(), 3);
    dialogs.yes();
    ed.click("PushButton7");
    EXPECT_EQ(shortReports(dialogs.errors()),
              QStringList{"Form3.PushButton7_Click@106: Subscript out of range"});
    // It went on: the line is gone from the list of sets, and the set before it is in hand.
    EXPECT_EQ(box.read("sets.dat"), crlfLines({"Sets", "States|Capitals|StatesCapitals.dat",
                                               "Spanish|English|user.dat"}));
    EXPECT_EQ(ed.setEntries(), QStringList({"States/Capitals", "Spanish/English"}));
    EXPECT_EQ(ReadSetting("SelectedSet", ""), "2");
    EXPECT_EQ(box.read("user.dat"), kUserSet);
}
