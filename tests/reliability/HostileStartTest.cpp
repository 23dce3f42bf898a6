// The whole program started on hostile files: a list of sets that names files elsewhere, card
// files of garbage and of enormous size, a settings file of garbage. The main window starts,
// the editor opens and lists the cards, a study session runs; what cannot be used is reported,
// nothing outside the program folder is read into a set or touched, and the other sets keep
// every byte.
#include "Form1.h"
#include "Form3.h"
#include "ProgramRun.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <random>

namespace {

const QByteArray kUserSet = crlfLines({"Spanish|English", "Rojo|Red", "Verde|Green"});

QByteArray fingerprint(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex()
               : QByteArray("<unreadable>");
}

struct Phase {
    QStringList startUp, editor, study;
};

}  // namespace

TEST(HostileStart, TheProgramReportsWhatItCannotUseAndTouchesNothingElse) {
    const bool longRun = qEnvironmentVariableIntValue("QUORVANE_LONG") != 0;
    std::mt19937 random(11);
    QByteArray garbage(256 * 1024, '\0');
    for (char& b : garbage) b = char(random());
    QByteArray millionLines = "Big|Set\r\n";
    millionLines.reserve(12 << 20);
    for (int i = 1; i < 1000000; ++i) millionLines += "q" + QByteArray::number(i) + "|a\r\n";
    const QByteArray mixed =
        "Odd|Set\r\n\xCE\xB1\xCE\xB2|alpha beta\r\n\xC3\x28|bad\r\n\xE6\x97\xA5|sun\r\n"
        "\xF0\x9F\x98|cut\r\n\xE9t\xE9|summer\r\n";
    const QByteArray small = "Odd|Set\r\na|b\r\n";
    const QByteArray nulName("Bad|Set|odd.dat\0/../../x.dat",
                             sizeof "Bad|Set|odd.dat\0/../../x.dat" - 1);
    const QByteArray oddTopics("B\x07\x1b[31m|S\0t|odd.dat",
                               sizeof "B\x07\x1b[31m|S\0t|odd.dat" - 1);
    const QString refused = "Deckwork.ReadSets@110: Bad file name or number";
    const QString mismatch = "Form1.Form_Load@120: Type mismatch";

    struct Case {
        const char* name;
        QByteArray setLine;  // set line 2, the set in hand
        QByteArray cards;    // odd.dat, unless null
        QList<QPair<QString, QString>> settings;
        QByteArray settingsFile;  // in place of the settings, unless null
        QString inHand;           // the main window's "Side 1/Side 2"
        QStringList startUp, study;
        bool heavyList = false;  // a list that takes long to paint
        bool noDeck = false;     // a deck without cards: every step shows a blank card
    };
    const Case cases[] = {
        {"set file ../x.dat", "Bad|Set|../x.dat", {}, {}, {}, "States/Capitals", {refused}, {}},
        {"set file /etc/passwd",
         "Bad|Set|/etc/passwd",
         {},
         {},
         {},
         "States/Capitals",
         {refused},
         {}},
        {"empty set file name", "Bad|Set|", {}, {}, {}, "States/Capitals", {refused}, {}},
        {"set line of empty fields", "||", {}, {}, {}, "States/Capitals", {refused}, {}},
        {"set file name with NUL", nulName, small, {}, {}, "States/Capitals", {refused}, {}},
        {"set file name with control characters",
         "Bad|Set|\x01\x1b[2J.dat",
         small,
         {},
         {},
         "States/Capitals",
         {refused},
         {}},
        {"topics with control characters and NUL",
         oddTopics,
         small,
         {},
         {},
         QString::fromLatin1("B\x07\x1b[31m/S") + QChar(0) + "t",
         {},
         {}},
        {"binary garbage", "Odd|Set|odd.dat", garbage, {}, {}, "Odd/Set", {}, {}},
        {"a 10 MB single line",
         "Odd|Set|odd.dat",
         "Odd|Set\r\n" + QByteArray(10 << 20, 'x') + "|y\r\n",
         {},
         {},
         "Odd/Set",
         {},
         {},
         true},
        {"1,000,000 lines", "Odd|Set|odd.dat", millionLines, {}, {}, "Odd/Set", {}, {}},
        {"invalid UTF-8 mixed with valid", "Odd|Set|odd.dat", mixed, {}, {}, "Odd/Set", {}, {}},
        {"an empty card file", "Odd|Set|odd.dat", "", {}, {}, "Odd/Set", {}, {}, false, true},
        {"garbage options",
         "Odd|Set|odd.dat",
         small,
         {{"Option1", "\x01"},
          {"Option2", "maybe"},
          {"Option3", "1e999"},
          {"Option4", ""},
          {"Option5", "-0"},
          {"Option6", "nan"},
          {"Combo1", "abc"},
          {"Combo2", QString(100000, 'F') + "\x01\x1b"}},
         {},
         "Odd/Set",
         {mismatch, mismatch, mismatch, mismatch},
         {}},
        {"SelectedSet -5",
         "Odd|Set|odd.dat",
         small,
         {{"SelectedSet", "-5"}},
         {},
         "States/Capitals",
         {},
         {}},
        {"SelectedSet 0",
         "Odd|Set|odd.dat",
         small,
         {{"SelectedSet", "0"}},
         {},
         "States/Capitals",
         {},
         {}},
        {"SelectedSet 99999",
         "Odd|Set|odd.dat",
         small,
         {{"SelectedSet", "99999"}},
         {},
         "States/Capitals",
         {},
         {}},
        {"settings file of garbage",
         "Odd|Set|odd.dat",
         small,
         {},
         garbage.left(4096),
         "States/Capitals",
         {},
         {}},
    };
    int tried = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        box.write("sets.dat", "Sets\r\nStates|Capitals|StatesCapitals.dat\r\n" + c.setLine +
                                  "\r\nSpanish|English|user.dat\r\n");
        box.write("StatesCapitals.dat", box.read("default.dat"));
        box.write("user.dat", kUserSet);
        if (!c.cards.isNull()) box.write("odd.dat", c.cards);
        WriteSetting("SelectedSet", "2");
        for (const auto& [key, value] : c.settings) WriteSetting(key, value);
        if (!c.settingsFile.isNull()) {
            QFile f(SettingsFilePath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.settingsFile);
        }
        const auto outside = box.outside();
        const QByteArray passwd = fingerprint("/etc/passwd");
        const QByteArray sets = box.read("sets.dat");
        const QByteArray oddCards = box.read("odd.dat");
        ScriptedDialogs dialogs;
        Form1 main;
        main.show();
        EXPECT_EQ(shortReports(dialogs.errors()), c.startUp);
        EXPECT_TRUE(main.Label3->text().startsWith("You have the " + c.inHand + " set"))
            << qPrintable(main.Label3->text().left(80));
        dialogs.shown.clear();
        {
            EditorDriver ed(main, !c.heavyList || longRun);
            ASSERT_TRUE(ed.editor());
            ed.editor()->FillTheList();
            ed.click("PushButton5");
        }
        EXPECT_TRUE(main.isVisible());
        EXPECT_EQ(shortReports(dialogs.errors()), QStringList());
        dialogs.shown.clear();
        const QStringList shown = studyWithKeys(main, " b ");
        EXPECT_EQ(shown.size(), 4);
        // A deck without lines gives blank cards, not a report at every key.
        if (c.noDeck) {
            EXPECT_EQ(shown, QStringList({"", "", "", ""}));
        }
        EXPECT_EQ(shortReports(dialogs.errors()), c.study);

        EXPECT_EQ(box.outside(), outside);
        EXPECT_EQ(fingerprint("/etc/passwd"), passwd);
        EXPECT_EQ(box.read("user.dat"), kUserSet);
        EXPECT_EQ(box.read("sets.dat"), sets);
        EXPECT_EQ(box.read("odd.dat"), oddCards);
        ++tried;
    }
    RecordProperty("hostile inputs tried", tried);
}

TEST(HostileStart, SetsNamingFilesOutsideTheFolderNeverWriteOrDeleteThem) {
    // The sentinel outside the program folder, named relatively and absolutely.
    for (const QString& name : {QStringLiteral("../x.dat"), QStringLiteral("<outer>/x.dat")}) {
        SCOPED_TRACE(name.toStdString());
        Sandbox box;
        const QString target = QString(name).replace("<outer>", box.outer());
        box.write("sets.dat", "Sets\r\nStates|Capitals|StatesCapitals.dat\r\nOut|Side|" +
                                  QFile::encodeName(target) + "\r\nSpanish|English|user.dat\r\n");
        box.write("StatesCapitals.dat", box.read("default.dat"));
        box.write("user.dat", kUserSet);
        WriteSetting("SelectedSet", "1");
        const auto outside = box.outside();
        ScriptedDialogs dialogs;
        Form1 main;
        main.show();
        EditorDriver ed(main);
        ASSERT_TRUE(ed.editor());
        // Picked, a card added to it, then deleted, then everything put back as installed.
        ed.pickSet(2);
        dialogs.answer("Up").answer("Down");
        ed.click("PushButton1");
        EXPECT_EQ(box.outside(), outside);
        EditorDriver::highlightByKeys(ed.setList(), 2);
        dialogs.yes();
        ed.click("PushButton7");
        EXPECT_EQ(box.outside(), outside);
        EXPECT_EQ(box.read("user.dat"), kUserSet);
        dialogs.yes();
        ed.click("PushButton4");
        EXPECT_EQ(box.outside(), outside);
        EXPECT_EQ(shortReports(dialogs.errors()),
                  QStringList{"Deckwork.ReadSets@110: Bad file name or number"});
        EXPECT_TRUE(dialogs.scriptUsed());
    }
}
