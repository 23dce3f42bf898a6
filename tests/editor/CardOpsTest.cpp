// "Add Card", "Edit Selected Entry" and "Delete Selected Entry" in the editor window.
#include "EditorFixture.h"
#include "Files.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

// A set of the user's from an earlier visit, with its cards in its own file.
const QByteArray kUserSets =
    crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Word|Mot|WordMot.dat"});

}  // namespace

TEST_F(EditorTest, AddCardAppendsToTheSetAndSurvivesARestart) {
    struct Case {
        const char* name;
        int set;          // the set in hand
        bool createdNow;  // created during this visit of the editor
        const char* setFile;
        int linesBefore;
    };
    const Case cases[] = {
        {"installed set", 1, false, "StatesCapitals.dat", 51},
        {"set of an earlier visit", 2, false, "WordMot.dat", 51},
        {"set created in this visit", 3, true, "NewSetNeu.dat", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write("sets.dat", kUserSets);
        folder.write("WordMot.dat", cardFile("Word|Mot", 50));
        QFile::remove(folder.path("StatesCapitals.dat"));
        QFile::remove(folder.path("NewSetNeu.dat"));
        WriteSetting("SelectedSet", QString::number(qMin(c.set, 2)));
        restartProgram();
        openEditor();
        if (c.createdNow) {
            dialogs.answer("NewSet").answer("Neu");
            click("PushButton6");
            ASSERT_TRUE(editor->NewSetSelected);
        }
        dialogs.shown.clear();
        dialogs.answer("Red").answer("Rojo");
        click("PushButton1");

        const QStringList inUse = Main::ReadFileToStringFSOLine(folder.path("in-use.dat"));
        EXPECT_EQ(inUse.size(), c.linesBefore + 1);
        EXPECT_EQ(lastOf(inUse), "Red|Rojo");
        EXPECT_EQ(folder.read(c.setFile), folder.read("in-use.dat"));
        EXPECT_EQ(cardEntries().size(), c.linesBefore);
        EXPECT_EQ(lastOf(cardEntries()), "Red|Rojo");
        EXPECT_EQ(highlightedCard(), c.linesBefore);
        EXPECT_TRUE(visible(cardList(), c.linesBefore - 1));
        EXPECT_EQ(Deckwork::CardLines, inUse);
        ASSERT_EQ(dialogs.shown.size(), 2);
        const QString side1 = Deckwork::Side1Topic, side2 = Deckwork::Side2Topic;
        EXPECT_EQ(dialogs.shown[0].text, "Enter " + side1 + ":");
        EXPECT_EQ(dialogs.shown[0].title, "Enter " + side1);
        EXPECT_EQ(dialogs.shown[0].defaultText, "");
        EXPECT_EQ(dialogs.shown[1].text, "Enter " + side2 + ":");
        EXPECT_EQ(dialogs.shown[1].title, "Enter " + side2);

        // Picking another set and coming back loads the set's own file again.
        clickSet(c.set == 1 ? 2 : 1);
        clickSet(c.set);
        EXPECT_EQ(lastOf(cardEntries()), "Red|Rojo");

        restartProgram();
        EXPECT_EQ(Deckwork::SelectedSet, c.set);
        Deckwork::LoadInUseCards();
        EXPECT_EQ(lastOf(Deckwork::CardLines), "Red|Rojo");
        openEditor();
        EXPECT_EQ(cardEntries().size(), c.linesBefore);
        EXPECT_EQ(lastOf(cardEntries()), "Red|Rojo");
        EXPECT_TRUE(dialogs.errors().isEmpty());
        QFile installed(QUORVANE_RESOURCES "/default.dat");
        ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
        EXPECT_EQ(folder.read("default.dat"), installed.readAll());
    }
}

TEST_F(EditorTest, AddCardStoresTrimmedAnswersAndStopsOnBlanks) {
    struct Case {
        const char* name;
        QString side1, side2;
        const char* added;  // nullptr: nothing changes
    };
    const Case cases[] = {
        {"blanks trimmed", "  Red ", " Rojo  ", "Red|Rojo"},
        {"tabs stay", "\tRed", "Rojo\t", "\tRed|Rojo\t"},
        {"first cancelled", "", "Rojo", nullptr},
        {"second blank", "Red", "   ", nullptr},
        {"both cancelled", "", "", nullptr},
    };
    startProgram();
    openEditor();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = folder.read("in-use.dat");
        dialogs.shown.clear();
        dialogs.answer(c.side1).answer(c.side2);
        click("PushButton1");
        EXPECT_EQ(dialogs.shown.size(), 2);  // the second prompt is always shown
        if (c.added) {
            EXPECT_EQ(lastOf(Main::ReadFileToStringFSOLine(folder.path("in-use.dat"))), c.added);
        } else {
            EXPECT_EQ(folder.read("in-use.dat"), before);
        }
        EXPECT_EQ(folder.read("StatesCapitals.dat"), folder.read("in-use.dat"));
        EXPECT_TRUE(dialogs.scriptUsed());
    }
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, ASideWithABarOrLineBreakIsRefusedAndNothingIsWritten) {
    const struct {
        const char* name;
        const char* button;
        QString side1, side2;
    } cases[] = {
        {"add, bar in side 1", "PushButton1", "Red|Blue", "Rojo"},
        {"add, bar in side 2", "PushButton1", "Red", "|Rojo"},
        {"add, line break", "PushButton1", "Red\nBlue", "Rojo"},
        {"edit, bar in side 2", "PushButton2", "Alabama", "Mont|gomery"},
    };
    startProgram();
    openEditor();
    const QByteArray inUse = folder.read("in-use.dat");
    const QStringList entries = cardEntries();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        highlightCard(1);
        dialogs.shown.clear();
        dialogs.answer(c.side1).answer(c.side2);
        click(c.button);
        ASSERT_EQ(dialogs.shown.size(), 3);
        EXPECT_EQ(dialogs.shown[2].kind, "notice");
        EXPECT_TRUE(dialogs.shown[2].text.contains("\"|\"")) << dialogs.shown[2].text.toStdString();
        EXPECT_EQ(dialogs.shown[2].title, look::applicationTitle());
        EXPECT_EQ(folder.read("in-use.dat"), inUse);
        EXPECT_EQ(folder.read("StatesCapitals.dat"), inUse);
        EXPECT_EQ(cardEntries(), entries);
    }
}

TEST_F(EditorTest, EditChangesEveryCopyOfTheCardAndKeepsItsPlace) {
    folder.write("StatesCapitals.dat",
                 crlf({"States|Capitals", "Red|Rojo", "Red | Rojo", "Blue|Azul", "Red|Rojo"}));
    startProgram();
    openEditor();
    EXPECT_EQ(cardEntries(), QStringList({"Red|Rojo", "Red|Rojo", "Blue|Azul", "Red|Rojo"}));

    // The third copy: both exact copies change, the one with blanks around "|" does not.
    highlightCard(4);
    dialogs.answer(" Green ").answer("Verde");
    click("PushButton2");
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].defaultText, "Red");
    EXPECT_EQ(dialogs.shown[1].defaultText, "Rojo");
    EXPECT_EQ(dialogs.shown[0].text, "Enter States:");
    EXPECT_EQ(dialogs.shown[1].title, "Enter Capitals");
    const QByteArray changed =
        crlf({"States|Capitals", "Green|Verde", "Red | Rojo", "Blue|Azul", "Green|Verde"});
    EXPECT_EQ(folder.read("in-use.dat"), changed);
    EXPECT_EQ(folder.read("StatesCapitals.dat"), changed);
    EXPECT_EQ(highlightedCard(), 4);

    // The line with blanks is listed but found no more: the file keeps its lines.
    highlightCard(2);
    dialogs.answer("Black").answer("Negro");
    click("PushButton2");
    EXPECT_EQ(folder.read("in-use.dat"), changed);
    EXPECT_EQ(cardEntries(), QStringList({"Green|Verde", "Red|Rojo", "Blue|Azul", "Green|Verde"}));
    EXPECT_EQ(highlightedCard(), 2);

    // The same texts again write the same lines.
    highlightCard(3);
    dialogs.answer("Blue").answer("Azul");
    click("PushButton2");
    EXPECT_EQ(folder.read("in-use.dat"), changed);
    EXPECT_EQ(highlightedCard(), 3);

    // Cancelled: nothing changes, the entry stays highlighted.
    dialogs.answer("").answer("Azul");
    click("PushButton2");
    EXPECT_EQ(folder.read("in-use.dat"), changed);
    EXPECT_EQ(highlightedCard(), 3);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, EditWithNothingHighlightedOffersEmptyPromptsAndChangesNothing) {
    folder.write("StatesCapitals.dat", crlf({"States|Capitals", "Red|Rojo"}));
    startProgram();
    openEditor();
    ASSERT_EQ(highlightedCard(), 0);
    dialogs.answer("Blue").answer("Azul");
    click("PushButton2");
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].defaultText, "");
    EXPECT_EQ(dialogs.shown[1].defaultText, "");
    EXPECT_EQ(folder.read("in-use.dat"), crlf({"States|Capitals", "Red|Rojo"}));
    EXPECT_EQ(highlightedCard(), 0);
}

TEST_F(EditorTest, DeleteRemovesEveryCopyAfterYes) {
    const QByteArray cards =
        crlf({"States|Capitals", "Red|Rojo", "Red | Rojo", "Blue|Azul", "Red|Rojo"});
    folder.write("StatesCapitals.dat", cards);
    startProgram();
    openEditor();

    highlightCard(1);
    dialogs.no();
    click("PushButton3");
    EXPECT_EQ(folder.read("in-use.dat"), cards);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, "question");
    EXPECT_EQ(dialogs.shown[0].text, "Are you sure you want to delete Red|Rojo entry?");
    EXPECT_EQ(dialogs.shown[0].title, look::applicationTitle());

    dialogs.yes();
    click("PushButton3");
    const QByteArray left = crlf({"States|Capitals", "Red | Rojo", "Blue|Azul"});
    EXPECT_EQ(folder.read("in-use.dat"), left);
    EXPECT_EQ(folder.read("StatesCapitals.dat"), left);
    EXPECT_EQ(cardEntries(), QStringList({"Red|Rojo", "Blue|Azul"}));
    EXPECT_EQ(highlightedCard(), 0);

    // The line with blanks around "|" is listed but cannot be found again.
    highlightCard(1);
    dialogs.yes();
    click("PushButton3");
    EXPECT_EQ(folder.read("in-use.dat"), left);
    EXPECT_EQ(cardEntries(), QStringList({"Red|Rojo", "Blue|Azul"}));

    // Nothing highlighted: the question has nothing around "|", and Yes changes nothing.
    dialogs.shown.clear();
    dialogs.yes();
    click("PushButton3");
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Are you sure you want to delete | entry?");
    EXPECT_EQ(folder.read("in-use.dat"), left);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, CardChangesNeverTouchTheInstalledFiles) {
    // A set in hand without a line of its own takes default.dat, which is never written.
    WriteSetting("SelectedSet", "7");
    startProgram();
    ASSERT_EQ(Deckwork::SetFilePath, folder.path("default.dat"));
    const QByteArray installed = folder.read("default.dat");
    openEditor();
    EXPECT_EQ(highlightedSet(), 1);
    dialogs.answer("Red").answer("Rojo");
    click("PushButton1");
    EXPECT_EQ(lastOf(Main::ReadFileToStringFSOLine(folder.path("in-use.dat"))), "Red|Rojo");
    EXPECT_EQ(folder.read("default.dat"), installed);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(EditorTest, AFailedCopyToTheSetFileIsReportedUnderAddCard) {
    startProgram();
    openEditor();
    // A folder where the set's file should be: the copy cannot replace it.
    QFile::remove(folder.path("StatesCapitals.dat"));
    QDir(folder.folder()).mkdir("StatesCapitals.dat");
    dialogs.answer("Red").answer("Rojo");
    click("PushButton1");
    EXPECT_EQ(dialogs.errors(), QStringList{expectedReport("Path/File access error",
                                                           "Form3.PushButton1_Click", 110)});
    // The card is in the working copy and the list all the same.
    EXPECT_EQ(lastOf(cardEntries()), "Red|Rojo");
    EXPECT_EQ(highlightedCard(), cardEntries().size());
}
