// Picking, creating, deleting and restoring sets in the editor window.
#include "EditorFixture.h"
#include "Files.h"
#include "Lists.h"
#include "SetOps.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>

namespace {

const QByteArray kFiveSets =
    crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Alpha|Beta|AlphaBeta.dat",
          " Gamma | Delta |GammaDelta.dat", "Eins|Zwei|EinsZwei.dat", "Un|Deux|UnDeux.dat"});

const char* const kUserFiles[] = {"AlphaBeta.dat", "GammaDelta.dat", "EinsZwei.dat", "UnDeux.dat"};

}  // namespace

TEST_F(EditorTest, CreateNewSetAppendsTheSetAndPutsItInHand) {
    startProgram();
    openEditor();
    dialogs.answer(" Spanish ").answer("English");
    click("PushButton6");

    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, "Enter topic for Side 1:\r\n(for example States)");
    EXPECT_EQ(dialogs.shown[1].text, "Enter topic for Side 2:\r\n(for example Capitals)");
    for (const auto& shown : dialogs.shown) {
        EXPECT_EQ(shown.title, look::applicationTitle());
        EXPECT_EQ(shown.defaultText, "");
    }
    EXPECT_EQ(folder.read("sets.dat"), crlf({"Sets", "States|Capitals|StatesCapitals.dat",
                                             "Spanish|English|SpanishEnglish.dat"}));
    EXPECT_EQ(folder.read("SpanishEnglish.dat"), crlf({"Spanish|English"}));
    EXPECT_EQ(folder.read("in-use.dat"), crlf({"Spanish|English"}));
    EXPECT_EQ(setEntries(), QStringList({"States/Capitals", "Spanish/English"}));
    EXPECT_EQ(highlightedSet(), 2);
    EXPECT_TRUE(visible(setList(), 1));
    EXPECT_TRUE(cardEntries().isEmpty());
    EXPECT_EQ(cardList()->model()->headerData(0, Qt::Horizontal).toString(), "Spanish");
    EXPECT_EQ(cardList()->model()->headerData(1, Qt::Horizontal).toString(), "English");
    EXPECT_EQ(mainTexts.texts.option5, "Show Spanish first and then flip to English");
    EXPECT_TRUE(mainTexts.texts.label3.startsWith("You have the Spanish/English set"));
    EXPECT_EQ(Deckwork::SelectedSet, 2);
    EXPECT_EQ(storedSelectedSet(), "2");
    EXPECT_TRUE(editor->NewSetSelected);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, CancelledBlankOrRefusedTopicsChangeNothing) {
    struct Case {
        const char* name;
        QString side1, side2;
        const char* why;  // in the notice of a refusal; nullptr: silence
    };
    const QString longTopic(200, QChar('x'));
    const Case cases[] = {
        {"first cancelled", "", "English", nullptr},
        {"second blank", "Spanish", "   ", nullptr},
        {"both cancelled", "", "", nullptr},
        {"bar", "Spa|nish", "English", "\"|\""},
        {"slash", "Spanish", "Eng/lish", "\"/\""},
        {"gives sets.dat", "se", "ts", "\"sets.dat\""},
        {"gives default-sets.dat", "default-", "sets", "\"default-sets.dat\""},
        {"gives default.dat", "de", "fault", "\"default.dat\""},
        {"gives in-use.dat", "in-", "use", "\"in-use.dat\""},
        {"gives a fixed name in other case", "Se", "TS", "\"SeTS.dat\""},
        {"gives the installed set's file", "States", "Capitals", "\"StatesCapitals.dat\""},
        {"gives an existing set's file", "Fr", "Deutsch", "\"FrDeutsch.dat\""},
        {"quote removed gives an existing file", "\"Fr\"", "Deutsch", "\"FrDeutsch.dat\""},
        {"gives a stray file of the folder", "Stray", "File", "\"StrayFile.dat\""},
        {"too long for a file name", longTopic, longTopic, "too long"},
    };
    folder.write("sets.dat", crlf({"Sets", "States|Capitals|StatesCapitals.dat",
                                   "French|German|FrDeutsch.dat"}));
    folder.write("FrDeutsch.dat", crlf({"French|German", "oui|ja"}));
    folder.write("StrayFile.dat", crlf({"keep me"}));
    startProgram();
    openEditor();
    const QStringList files = QDir(folder.folder()).entryList(QDir::Files);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray sets = folder.read("sets.dat");
        const QByteArray inUse = folder.read("in-use.dat");
        dialogs.shown.clear();
        dialogs.answer(c.side1).answer(c.side2);
        click("PushButton6");
        EXPECT_EQ(dialogs.shown.size(), c.why ? 3 : 2);
        if (c.why && dialogs.shown.size() == 3) {
            EXPECT_EQ(dialogs.shown.last().kind, "notice");
            EXPECT_TRUE(dialogs.shown.last().text.contains(c.why))
                << dialogs.shown.last().text.toStdString();
            EXPECT_EQ(dialogs.shown.last().title, look::applicationTitle());
        }
        EXPECT_EQ(folder.read("sets.dat"), sets);
        EXPECT_EQ(folder.read("in-use.dat"), inUse);
        EXPECT_EQ(folder.read("StrayFile.dat"), crlf({"keep me"}));
        EXPECT_EQ(folder.read("FrDeutsch.dat"), crlf({"French|German", "oui|ja"}));
        EXPECT_EQ(QDir(folder.folder()).entryList(QDir::Files), files);
        EXPECT_EQ(setEntries(), QStringList({"States/Capitals", "French/German"}));
        EXPECT_EQ(highlightedSet(), 1);
        EXPECT_FALSE(editor->NewSetSelected);
        EXPECT_EQ(storedSelectedSet(), "(none)");
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, PickingASetPutsItInHandAndKeepsTheNewSetFlagOnlyForItself) {
    startProgram();
    openEditor();
    dialogs.answer("Spanish").answer("English");
    click("PushButton6");
    ASSERT_TRUE(editor->NewSetSelected);

    clickSet(2);  // the new set again
    EXPECT_TRUE(editor->NewSetSelected);
    EXPECT_EQ(storedSelectedSet(), "2");

    clickSet(1);
    EXPECT_FALSE(editor->NewSetSelected);
    EXPECT_EQ(Deckwork::SelectedSet, 1);
    EXPECT_EQ(storedSelectedSet(), "1");
    EXPECT_EQ(Deckwork::Side1Topic, "States");
    EXPECT_EQ(cardEntries().size(), 50);
    EXPECT_EQ(cardList()->model()->headerData(0, Qt::Horizontal).toString(), "States");
    EXPECT_EQ(folder.read("in-use.dat"), folder.read("StatesCapitals.dat"));
    EXPECT_EQ(mainTexts.texts.option6, "Show Capitals first and then flip to States");

    clickSet(2);
    EXPECT_FALSE(editor->NewSetSelected);
    EXPECT_TRUE(cardEntries().isEmpty());
    EXPECT_EQ(highlightedSet(), 2);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, SetLinesWithoutBarsKeepTheListInStep) {
    folder.write("sets.dat", crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Broken",
                                   "Alpha|Beta|AlphaBeta.dat"}));
    folder.write("AlphaBeta.dat", crlf({"Alpha|Beta", "a|b"}));
    startProgram();
    openEditor();
    EXPECT_EQ(setEntries(), QStringList({"States/Capitals", "Broken/", "Alpha/Beta"}));
    clickSet(3);
    EXPECT_EQ(Deckwork::SelectedSet, 3);
    EXPECT_EQ(Deckwork::Side1Topic, "Alpha");
    EXPECT_EQ(cardEntries(), QStringList({"a|b"}));
}

TEST_F(EditorTest, DeleteSelectedSetRemovesTheHighlightedSet) {
    folder.write("sets.dat", kFiveSets);
    for (const char* name : kUserFiles) folder.write(name, crlf({"H", "x|y"}));
    startProgram();
    openEditor();
    ASSERT_EQ(setEntries().size(), 5);

    clickSet(3);
    dialogs.no();
    click("PushButton7");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Are you sure you want to delete Gamma/Delta set?");
    EXPECT_EQ(dialogs.shown[0].title, look::applicationTitle());
    EXPECT_EQ(folder.read("sets.dat"), kFiveSets);
    EXPECT_TRUE(folder.exists("GammaDelta.dat"));

    dialogs.yes();
    click("PushButton7");
    // The line goes as it stands in the file, blanks and all, and its file with it.
    EXPECT_EQ(folder.read("sets.dat"),
              crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Alpha|Beta|AlphaBeta.dat",
                    "Eins|Zwei|EinsZwei.dat", "Un|Deux|UnDeux.dat"}));
    EXPECT_FALSE(folder.exists("GammaDelta.dat"));
    for (const char* name : {"AlphaBeta.dat", "EinsZwei.dat", "UnDeux.dat", "StatesCapitals.dat"})
        EXPECT_TRUE(folder.exists(name)) << name;
    EXPECT_EQ(setEntries(), QStringList({"States/Capitals", "Alpha/Beta", "Eins/Zwei", "Un/Deux"}));
    EXPECT_EQ(highlightedSet(), 4);
    EXPECT_TRUE(visible(setList(), 3));
    EXPECT_EQ(Deckwork::SelectedSet, 4);
    EXPECT_EQ(storedSelectedSet(), "4");
    EXPECT_EQ(Deckwork::Side1Topic, "Un");
    EXPECT_EQ(mainTexts.texts.option5, "Show Un first and then flip to Deux");
    EXPECT_FALSE(editor->NewSetSelected);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, DeleteSelectedSetLeavesTheInstalledSetAndAnUnhighlightedListAlone) {
    folder.write("sets.dat", kFiveSets);
    startProgram();
    openEditor();
    const auto highlights = {std::function<void()>([this] { clickSet(1); }),
                             std::function<void()>([this] { setList()->clearSelection(); })};
    for (const auto& highlight : highlights) {
        highlight();
        click("PushButton7");
        EXPECT_TRUE(dialogs.shown.isEmpty());
        EXPECT_EQ(folder.read("sets.dat"), kFiveSets);
        EXPECT_EQ(setEntries().size(), 5);
    }
}

TEST_F(EditorTest, DeleteSelectedSetKeepsAFileThatAnotherSetStillNames) {
    const QByteArray sets = crlf({"Sets", "States|Capitals|StatesCapitals.dat",
                                  "Copy|Of States|StatesCapitals.dat", "Bad|Name|default.dat"});
    folder.write("sets.dat", sets);
    startProgram();
    openEditor();
    const QByteArray installed = folder.read("default.dat");
    for (int k : {3, 2}) {
        clickSet(k);
        dialogs.yes();
        click("PushButton7");
    }
    EXPECT_EQ(folder.read("sets.dat"), crlf({"Sets", "States|Capitals|StatesCapitals.dat"}));
    EXPECT_TRUE(folder.exists("StatesCapitals.dat"));
    EXPECT_EQ(folder.read("default.dat"), installed);
}

TEST_F(EditorTest, RestoreAnsweredNoChangesNothing) {
    folder.write("sets.dat", kFiveSets);
    for (const char* name : kUserFiles) folder.write(name, crlf({"H", "x|y"}));
    WriteSetting("SelectedSet", "2");
    startProgram();
    openEditor();
    dialogs.no();
    click("PushButton4");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              "Warning: \r\nThis will delete all custom card sets \r\nand any changes you've made "
              "to States/Capitals\r\nso that the flashcards will appear as they were when you "
              "first installed this software. \r\nWould you like to proceed?");
    EXPECT_EQ(dialogs.shown[0].title, look::applicationTitle());
    EXPECT_EQ(folder.read("sets.dat"), kFiveSets);
    for (const char* name : kUserFiles) EXPECT_TRUE(folder.exists(name)) << name;
    EXPECT_EQ(storedSelectedSet(), "2");
    EXPECT_EQ(setEntries().size(), 5);
}

TEST_F(EditorTest, RestorePutsBackTheInstalledSetsAndCards) {
    folder.write("sets.dat", kFiveSets);
    for (const char* name : kUserFiles) folder.write(name, crlf({"H", "x|y"}));
    folder.write("Stray.dat", crlf({"not a set"}));
    WriteSetting("SelectedSet", "1");
    startProgram();
    openEditor();
    dialogs.answer("Red").answer("Rojo");
    click("PushButton1");  // a change to the installed set
    ASSERT_NE(folder.read("StatesCapitals.dat"), folder.read("default.dat"));
    clickSet(5);
    dialogs.answer("Spanish").answer("English");
    click("PushButton6");
    ASSERT_TRUE(editor->NewSetSelected);

    dialogs.shown.clear();
    dialogs.yes();
    click("PushButton4");
    EXPECT_EQ(setEntries(), QStringList({"States/Capitals"}));
    EXPECT_EQ(folder.read("sets.dat"), folder.read("default-sets.dat"));
    for (const char* name : kUserFiles) EXPECT_FALSE(folder.exists(name)) << name;
    EXPECT_FALSE(folder.exists("SpanishEnglish.dat"));
    EXPECT_TRUE(folder.exists("Stray.dat"));
    EXPECT_EQ(Deckwork::SelectedSet, 1);
    EXPECT_EQ(storedSelectedSet(), "1");
    EXPECT_FALSE(editor->NewSetSelected);
    EXPECT_EQ(folder.read("in-use.dat"), folder.read("default.dat"));
    EXPECT_EQ(folder.read("StatesCapitals.dat"), folder.read("default.dat"));
    EXPECT_EQ(cardEntries().size(), 50);
    EXPECT_FALSE(cardEntries().contains("Red|Rojo"));
    EXPECT_EQ(highlightedSet(), 0);
    EXPECT_EQ(mainTexts.texts.option5, "Show States first and then flip to Capitals");
    EXPECT_TRUE(dialogs.errors().isEmpty());

    // And so they stay after a restart.
    restartProgram();
    Deckwork::LoadInUseCards();
    EXPECT_EQ(Deckwork::CardLines.size(), 51);
    EXPECT_FALSE(Deckwork::CardLines.contains("Red|Rojo"));
}

TEST_F(EditorTest, RestoreNeverDeletesFilesOutsideTheSetsOwn) {
    QDir(folder.folder()).mkdir("sub");
    folder.write("sub/inner.dat", crlf({"keep"}));
    folder.write("sets.dat",
                 crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Bad|Path|sub/inner.dat",
                       "Fixed|Name|default.dat", "No|File", "Again|Installed|StatesCapitals.dat"}));
    startProgram();
    bool newSet = true;
    editor::Lists lists(newSet);
    dialogs.yes();
    editor::RestoreInstalledSets(lists);
    EXPECT_TRUE(folder.exists("sub/inner.dat"));
    EXPECT_TRUE(folder.exists("default.dat"));
    EXPECT_EQ(folder.read("StatesCapitals.dat"), folder.read("default.dat"));
    EXPECT_EQ(folder.read("sets.dat"), folder.read("default-sets.dat"));
    EXPECT_FALSE(newSet);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, RestoreRunsNoWaitingEventsBeforeItEnds) {
    folder.write("sets.dat", kFiveSets);
    for (const char* name : kUserFiles) folder.write(name, crlf({"H", "x|y"}));
    startProgram();
    bool newSet = false;
    editor::Lists lists(newSet);
    bool finished = false, ranEarly = false, ran = false;
    QMetaObject::invokeMethod(
        qApp, [&] { ran = true, ranEarly = !finished; }, Qt::QueuedConnection);
    dialogs.yes();
    editor::RestoreInstalledSets(lists);
    finished = true;
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(ranEarly);
}

TEST_F(EditorTest, RestoreWithoutTheInstalledFilesReportsTheCopies) {
    startProgram();
    openEditor();
    QFile::remove(folder.path("default-sets.dat"));
    QFile::remove(folder.path("default.dat"));
    dialogs.yes();
    click("PushButton4");
    const QStringList errors = dialogs.errors();
    ASSERT_GE(errors.size(), 2);
    EXPECT_EQ(errors[0], expectedReport("File not found", "Form3.PushButton4_Click", 104));
    EXPECT_EQ(errors[1], expectedReport("File not found", "Form3.PushButton4_Click", 106));
    EXPECT_EQ(storedSelectedSet(), "1");
}
