#include "CurrentSet.h"
#include "Form1.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QRadioButton>

namespace {

const char* const kInstalledLabel =
    "You have the States/Capitals set of flashcards in your hand. Click the 'Edit Cards' button "
    "to pick up another set of flashcards, make a your own set of flashcards or add/remove "
    "flashcards to/from this States/Capitals set.";

QList<bool> selectedOptions(const Form1& form) {
    QList<bool> states;
    for (int n = 1; n <= 6; ++n) states.append(form.OptionButton[n]->isChecked());
    return states;
}

}  // namespace

TEST(StartUp, FirstStartProvisionsTheFilesAndRestoresTheDefaults) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    Form1 form;
    EXPECT_EQ(folder.read("sets.dat"), folder.read("default-sets.dat"));
    EXPECT_EQ(folder.read("in-use.dat"), folder.read("default.dat"));
    EXPECT_EQ(folder.read("StatesCapitals.dat"), folder.read("default.dat"));
    EXPECT_EQ(form.Combo1->currentText(), "144");
    EXPECT_EQ(form.Combo2->currentText(), "Arial");
    EXPECT_EQ(selectedOptions(form), QList<bool>({true, false, true, false, true, false}));
    EXPECT_EQ(Deckwork::SelectedSet, 1);
    EXPECT_EQ(form.Label3->text(), kInstalledLabel);
    EXPECT_EQ(form.OptionButton[5]->text(), "Show States first and then flip to Capitals");
    EXPECT_EQ(form.OptionButton[6]->text(), "Show Capitals first and then flip to States");
    EXPECT_EQ(form.windowTitle(), "Quorvane");
    EXPECT_EQ(form.size(), QSize(536, 469));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    // Every screen font, then the two names the program adds, in that order.
    const int n = form.Combo2->count();
    ASSERT_GE(n, 2);
    EXPECT_EQ(form.Combo2->itemText(n - 2), "Arial");
    EXPECT_EQ(form.Combo2->itemText(n - 1), "New Times Roman");
    EXPECT_EQ(form.Combo1->count(), 13);
}

TEST(StartUp, LaterStartsCopyNothing) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    const QByteArray sets = crlf({"Sets", "States|Capitals|StatesCapitals.dat", "A|B|AB.dat"});
    const QByteArray ownCards = crlf({"States|Capitals", "Ohio|Columbus"});
    folder.write("sets.dat", sets);
    folder.write("in-use.dat", crlf({"A|B", "stale|card"}));
    folder.write("StatesCapitals.dat", ownCards);
    Form1 form;
    EXPECT_EQ(folder.read("sets.dat"), sets);
    EXPECT_EQ(folder.read("StatesCapitals.dat"), ownCards);
    EXPECT_EQ(folder.read("in-use.dat"), ownCards);  // refreshed from the set in hand
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(StartUp, MissingWorkingCopyComesFromTheInstalledCardsThenTheSetInHand) {
    struct Case {
        const char* name;
        bool setFileThere;
        QByteArray inUse;
    };
    const QByteArray spanish = crlf({"Spanish|English", "Rojo|Red"});
    ProgramFolder probe;
    const QByteArray installed = probe.read("default.dat");
    for (const Case& c :
         {Case{"set file there", true, spanish}, Case{"set file missing", false, installed}}) {
        ProgramFolder folder;
        ScriptedDialogs dialogs;
        folder.write("sets.dat", crlf({"Sets", "States|Capitals|StatesCapitals.dat",
                                       "Spanish|English|SE.dat"}));
        if (c.setFileThere) folder.write("SE.dat", spanish);
        WriteSetting("SelectedSet", "2");
        Form1 form;
        EXPECT_EQ(folder.read("in-use.dat"), c.inUse) << c.name;
        EXPECT_EQ(form.OptionButton[5]->text(), "Show Spanish first and then flip to English");
        EXPECT_TRUE(dialogs.shown.isEmpty()) << c.name;
    }
}

TEST(StartUp, MissingInstalledFilesAreReportedAndTheStartUpGoesOn) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    QFile::remove(folder.path("default-sets.dat"));
    QFile::remove(folder.path("default.dat"));
    Form1 form;
    EXPECT_EQ(dialogs.errors(),
              QStringList({expectedReport("File not found", "Form1.Form_Load", 126),
                           expectedReport("File not found", "Form1.Form_Load", 128),
                           expectedReport("File not found", "Form1.Form_Load", 128),
                           expectedReport("File not found", "Main.ReadFileToStringFSOLine", 100)}));
    EXPECT_FALSE(folder.exists("sets.dat"));
    EXPECT_FALSE(folder.exists("in-use.dat"));
    EXPECT_EQ(form.Label3->text(), kInstalledLabel);
    EXPECT_EQ(form.windowTitle(), "Quorvane");
}

TEST(StartUp, RestoresStoredOptions) {
    struct Case {
        QMap<QString, QString> stored;
        QList<bool> options;
        QStringList reports;
        int selectedSet;
    };
    const Case cases[] = {
        {{{"Option1", "False"}, {"Option2", "True"}, {"Option4", "1"}, {"Option3", "0"}},
         {false, true, false, true, true, false},
         {},
         1},
        {{{"Option5", "True"}, {"Option6", "True"}},
         {true, false, true, false, false, true},
         {},
         1},
        {{{"Option3", "False"}, {"Option4", "False"}},
         {true, false, false, false, true, false},
         {},
         1},
        {{{"Option1", "maybe"}, {"Option2", "True"}},
         {false, true, true, false, true, false},
         {expectedReport("Type mismatch", "Form1.Form_Load", 120)},
         1},
        {{{"SelectedSet", "abc"}},
         {true, false, true, false, true, false},
         {expectedReport("Type mismatch", "Form1.Form_Load", 130)},
         0},
        {{{"SelectedSet", "99999999999"}},
         {true, false, true, false, true, false},
         {expectedReport("Overflow", "Form1.Form_Load", 130)},
         0},
        {{{"SelectedSet", "-5"}}, {true, false, true, false, true, false}, {}, -5},
    };
    for (const Case& c : cases) {
        ProgramFolder folder;
        ScriptedDialogs dialogs;
        for (auto it = c.stored.begin(); it != c.stored.end(); ++it)
            WriteSetting(it.key(), it.value());
        Form1 form;
        EXPECT_EQ(selectedOptions(form), c.options) << c.stored.firstKey().toStdString();
        EXPECT_EQ(dialogs.errors(), c.reports) << c.stored.firstKey().toStdString();
        EXPECT_EQ(Deckwork::SelectedSet, c.selectedSet);
        // Whatever was stored, the set in hand is described.
        EXPECT_TRUE(form.Label3->text().startsWith("You have the States/Capitals set"));
    }
}

TEST(StartUp, ApplicationTitleDropsTheLastWords) {
    struct Case {
        QString product, title;
    };
    for (const Case& c :
         {Case{"Quorvane", "Quorvane"}, Case{"Quorvane Flash Card Pro", "Quorvane Flash Card"},
          Case{"one two three four five six seven eight nine ten elevenxx",
               "one two three four five six seven eight"},
          Case{"", ""}})
        EXPECT_EQ(AppTitleFrom(c.product), c.title) << qPrintable(c.product);
}
