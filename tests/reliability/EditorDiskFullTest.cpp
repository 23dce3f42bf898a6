// The disk fills up while a set operation rewrites the list of sets: the failure is reported and
// the operation goes no further, so no set is half made or half deleted.
#include "Child.h"
#include "Form1.h"
#include "Form3.h"
#include "ProgramRun.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <functional>

namespace {

QByteArray escaped(const QString& text) {
    return text.toUtf8().replace('\\', "\\\\").replace('\r', "\\r").replace('\n', "\\n");
}

}  // namespace

TEST(EditorDiskFull, ASetOperationStopsWhenTheListOfSetsCannotBeRewritten) {
    REQUIRE_FORK();
    struct Case {
        const char* name;
        std::function<void(EditorDriver&, ScriptedDialogs&)> run;
        const char* report;
    };
    const Case cases[] = {
        {"Create New Set",
         [](EditorDriver& ed, ScriptedDialogs& d) {
             d.answer("Greek").answer("English");
             ed.click("PushButton6");
         },
         "Main.EditFileFSO@102: Disk full"},
        {"Delete Selected Set",
         [](EditorDriver& ed, ScriptedDialogs& d) {
             EditorDriver::highlightByKeys(ed.setList(), 3);
             d.yes();
             ed.click("PushButton7");
         },
         "Main.EditFileFSO@106: Disk full"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        // A list of sets too long to be written again within the room left.
        QList<QByteArray> lines{"Sets", "States|Capitals|StatesCapitals.dat",
                                "Spanish|English|user.dat", "C|D|CD.dat"};
        for (int i = 0; i < 3000; ++i)
            lines << "Topic " + QByteArray::number(i) + "|Other|none" + QByteArray::number(i) +
                         ".dat";
        box.write("sets.dat", crlfLines(lines));
        box.write("StatesCapitals.dat", box.read("default.dat"));
        box.write("user.dat", crlfLines({"Spanish|English", "Rojo|Red"}));
        box.write("CD.dat", crlfLines({"C|D", "c1|d1"}));
        WriteSetting("SelectedSet", "2");
        ScriptedDialogs dialogs;
        Form1 main;
        // Nothing is painted: painting starts threads, and a forked child could not use them.
        EditorDriver ed(main, false);
        ASSERT_TRUE(ed.editor());
        const auto before = box.snapshot();
        Child child([&] {
            ScriptedDialogs answers;
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{32 * 1024, 32 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            c.run(ed, answers);
            for (const QString& report : answers.errors()) say("report: " + escaped(report));
        });
        ASSERT_TRUE(child.finish(30000));
        EXPECT_EQ(shortReports(child.reports()), QStringList{c.report});
        EXPECT_EQ(changedEntries(before, box.snapshot()), QStringList());
        EXPECT_EQ(ReadSetting("SelectedSet", ""), "2");
    }
}
