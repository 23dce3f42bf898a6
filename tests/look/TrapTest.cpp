#include "Failure.h"
#include "ScriptedDialogs.h"
#include "Trap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// A procedure without a trap of its own: its failure belongs to the caller.
void untrapped() { throw look::Failure("File not found"); }

}  // namespace

TEST(Trap, ReportsEachFailingStatementAndGoesOn) {
    ScriptedDialogs dialogs;
    std::vector<int> ran;
    look::Trap trap("Form1.Form_Load");
    trap.at(100, [&] { ran.push_back(100); });
    EXPECT_FALSE(trap.at(102, [&] {
        untrapped();
        ran.push_back(-1);
    }));
    trap.at(104, [&] { ran.push_back(104); });
    trap.at(106, [&] { throw std::out_of_range("index"); });
    trap.at(108, [&] { ran.push_back(108); });

    EXPECT_EQ(ran, (std::vector<int>{100, 104, 108}));
    ASSERT_EQ(dialogs.errors().size(), 2);
    EXPECT_EQ(dialogs.errors()[0], expectedReport("File not found", "Form1.Form_Load", 102));
    EXPECT_EQ(dialogs.errors()[1],
              expectedReport("Subscript out of range", "Form1.Form_Load", 106));
    EXPECT_EQ(dialogs.shown[0].title, "Application Error");
}

TEST(Trap, MessageHasExactLineBreaks) {
    const QString text =
        look::errorMessage("Disk full", look::locationString("Main.EditFileFSO"), 104);
    EXPECT_EQ(text,
              "Disk full\r\nin Brevanel2021/08/31.Main.EditFileFSO at line 104\r\r"
              "Please email screenshot of this message to " QUORVANE_SUPPORT_EMAIL);
}

TEST(Trap, NestedTrapReportsItsOwnLocation) {
    ScriptedDialogs dialogs;
    look::Trap outer("Form3.PushButton1_Click");
    bool outerWentOn = false;
    outer.at(100, [] {
        look::Trap inner("Main.EditFileFSO");
        inner.at(102, [] { throw look::Failure("Disk full"); });
    });
    outer.at(102, [&] { outerWentOn = true; });
    EXPECT_TRUE(outerWentOn);
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(dialogs.errors()[0], expectedReport("Disk full", "Main.EditFileFSO", 102));
}
