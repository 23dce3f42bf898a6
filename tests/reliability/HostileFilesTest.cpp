// Files that reach the program from outside and mean harm or are simply broken: a set list that
// names files elsewhere, card files of garbage, huge lines and huge counts, a settings file of
// garbage. Nothing outside the program folder is read or touched, the user's other sets keep
// every byte, and what cannot be used is reported.
#include "Child.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Files.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QDir>
#include <QFile>
#include <csignal>
#include <random>

namespace {

const QByteArray kUserSet = crlfLines({"Spanish|English", "Rojo|Red", "Espa\xF1ol|Spanish \x80"});
const QByteArray kWorkingCopy = crlfLines({"States|Capitals", "Ohio|Columbus"});

QString fileOf(const char* name) {
    QFile f(QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().left(64)) : QString();
}

}  // namespace

TEST(HostileSetList, NamesOutsideTheFolderAreRefusedAndNothingElseIsTouched) {
    struct Case {
        QByteArray name;  // field 2 of the selected set line
        bool refused;     // reported, and the installed set's defaults taken
    };
    const QByteArray longName = QByteArray(300, 'n') + ".dat";
    const Case cases[] = {
        {"../x.dat", true},
        {"/etc/passwd", true},
        {"", true},
        {".", true},
        {"..", true},
        {"../prog/user.dat", true},
        {"sub/user.dat", true},
        {"..\\x.dat", true},
        {QByteArray("user.dat\0/../../x.dat", 21), true},
        {QByteArray("a\0b.dat", 7), true},
        {"\x01.dat", true},
        {"\x1b[2J\x1b[31m.dat", true},
        {"x.dat\t", true},
        {"%2e%2e%2fx.dat", false},  // a strange but bare name of the folder; there is no such file
        {"\xE2\x88\x95"
         "etc"
         "\xE2\x88\x95"
         "passwd",
         false},  // division slashes, not slashes
        {" user.dat", false},
        {longName, false},
        {"\x7f.dat", false},
    };
    for (const Case& c : cases) {
        Sandbox box;
        ScriptedDialogs dialogs;
        box.write("sets.dat", "Sets\r\nStates|Capitals|default.dat\r\nBad|Set|" + c.name +
                                  "\r\nSpanish|English|user.dat\r\n");
        box.write("user.dat", kUserSet);
        box.write("in-use.dat", kWorkingCopy);
        const auto outside = box.outside();
        auto inside = box.snapshot();
        const QString passwd = fileOf("/etc/passwd");
        Deckwork::SelectedSet = 2;
        Deckwork::ReadSets();
        Deckwork::LoadInUseCards();
        const QString what = QString::fromLatin1(c.name.toHex());
        EXPECT_EQ(box.outside(), outside) << qPrintable(what);
        EXPECT_EQ(fileOf("/etc/passwd"), passwd);
        if (c.refused) {
            inside["in-use.dat"] = box.read("default.dat");
            EXPECT_EQ(dialogs.errors(), QStringList{expectedReport("Bad file name or number",
                                                                   "Deckwork.ReadSets", 110)})
                << qPrintable(what);
            EXPECT_EQ(Deckwork::Side1Topic, "States") << qPrintable(what);
            EXPECT_EQ(Deckwork::SetFilePath, box.path("default.dat")) << qPrintable(what);
        } else {
            EXPECT_TRUE(dialogs.errors().isEmpty()) << qPrintable(what);
            EXPECT_EQ(Deckwork::Side1Topic, "Bad") << qPrintable(what);
            EXPECT_EQ(QFileInfo(Deckwork::SetFilePath).absolutePath(), box.folder());
        }
        EXPECT_EQ(box.snapshot(), inside) << qPrintable(what);
        EXPECT_EQ(Deckwork::CardLines.size(), byteLines(inside["in-use.dat"]).size());
    }
}

TEST(HostileSetList, GarbageSetListsNeverCrashAndKeepTheOtherSets) {
    std::mt19937 random(2024);
    QList<QByteArray> lists = {
        QByteArray(),
        "\r\n\r\n\r\n",
        "Sets\r\n|||\r\n||\r\n|\r\n",
        "Sets\r\n" + QByteArray(100000, '|') + "\r\n",
        QByteArray("Sets\r\nA|B|user.dat\0\r\n", 21),
        "\xEF\xBB\xBF"
        "Sets\r\n\xEF\xBB\xBF"
        "A|B|user.dat\r\n",
    };
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes(int(random() % 300), '\0');
        for (char& b : bytes) b = char(random() % 4 == 0 ? '|' : random());
        lists << bytes;
    }
    int tried = 0;
    for (const QByteArray& list : lists) {
        for (int selected : {-5, 0, 1, 2, 3, 99999}) {
            Sandbox box;
            ScriptedDialogs dialogs;
            box.write("sets.dat", list);
            box.write("user.dat", kUserSet);
            box.write("in-use.dat", kWorkingCopy);
            const auto outside = box.outside();
            auto inside = box.snapshot();
            Deckwork::SelectedSet = selected;
            Deckwork::ReadSets();
            ++tried;
            // Only the working copy may change, and only into a copy of a file of the folder.
            const QByteArray workingCopy = box.read("in-use.dat");
            EXPECT_TRUE(workingCopy == kWorkingCopy || workingCopy == box.read("default.dat") ||
                        inside.values().contains(workingCopy));
            inside["in-use.dat"] = workingCopy;
            EXPECT_EQ(box.snapshot(), inside);
            EXPECT_EQ(box.outside(), outside);
            EXPECT_EQ(QFileInfo(Deckwork::SetFilePath).absolutePath(), box.folder());
        }
    }
    RecordProperty("set lists tried", tried);
}

TEST(HostileCardFiles, LoadAndRewriteWithoutLosingALine) {
    std::mt19937 random(7);
    QByteArray garbage(256 * 1024, '\0');
    for (char& b : garbage) b = char(random());
    QByteArray millionLines;
    millionLines.reserve(12 << 20);
    millionLines += "Big|Set\r\n";
    for (int i = 1; i < 1000000; ++i) millionLines += "q" + QByteArray::number(i) + "|a\r\n";
    const QByteArray mixed =
        "H\r\n\xCE\xB1\xCE\xB2|alpha beta\r\n\xC3\x28|bad\r\n\xE6\x97\xA5|sun\r\n"
        "\xF0\x9F\x98|cut\r\n\xE9t\xE9|summer\r\n";
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"binary garbage", garbage},
        {"a 10 MB single line", "H|" + QByteArray(10 << 20, 'x') + "|y"},
        {"1,000,000 lines", millionLines},
        {"invalid UTF-8 mixed with valid", mixed},
        {"NUL bytes and lone CRs", QByteArray("H\r\na\0b|c\rd|\0\r\n\r\r\n", 16)},
    };
    for (const Case& c : cases) {
        Sandbox box;
        ScriptedDialogs dialogs;
        box.write("sets.dat", crlfLines({"Sets", "States|Capitals|default.dat", "Odd|Set|odd.dat",
                                         "Spanish|English|user.dat"}));
        box.write("odd.dat", c.bytes);
        box.write("user.dat", kUserSet);
        box.write("in-use.dat", kWorkingCopy);
        const auto outside = box.outside();
        auto inside = box.snapshot();
        Deckwork::SelectedSet = 2;
        Deckwork::ReadSets();
        Deckwork::LoadInUseCards();
        const QList<QByteArray> lines = byteLines(c.bytes);
        EXPECT_EQ(box.read("in-use.dat"), c.bytes) << c.name;
        EXPECT_EQ(Deckwork::CardLines.size(), lines.size()) << c.name;
        EXPECT_EQ(Deckwork::CardCount, int(lines.size()) - 1) << c.name;

        // Adding a card keeps every old line; an 8-bit file keeps every byte of it.
        Main::EditFileFSO(Deckwork::InUsePath, "New|Card", {}, true, false, false, false);
        const QByteArray after = box.read("in-use.dat");
        EXPECT_EQ(codec::splitLines(codec::decode(after)),
                  Deckwork::CardLines + QStringList{"New|Card"})
            << c.name;
        EXPECT_EQ(after, crlfLines(lines) + "New|Card\r\n") << c.name;
        inside["in-use.dat"] = after;
        EXPECT_EQ(box.snapshot(), inside) << c.name;
        EXPECT_EQ(box.outside(), outside) << c.name;
        EXPECT_TRUE(dialogs.errors().isEmpty()) << c.name;
    }
}

TEST(HostileCardFiles, AFileStartingWithTwoByteOrderMarksKeepsTheSecond) {
    // The first mark says UTF-8; the second is a character of the first line.
    Sandbox box;
    const QByteArray bytes = "\xEF\xBB\xBF\xEF\xBB\xBFH\r\n\xCE\xB1|alpha\r\n";
    box.write("in-use.dat", bytes);
    Main::EditFileFSO(Deckwork::InUsePath, "", "nothing matches", false, false, true, false);
    EXPECT_EQ(codec::splitLines(codec::decode(box.read("in-use.dat"))),
              codec::splitLines(codec::decode(bytes)));
    EXPECT_EQ(codec::splitLines(codec::decode(bytes))[0], QChar(0xFEFF) + QString("H"));
    for (const QString& text : {QChar(0xFEFF) + QString("x"), QString(2, QChar(0xFEFF)),
                                QChar(0xFEFF) + QString::fromUtf8("é")})
        EXPECT_EQ(codec::decode(codec::encode(text)), text);
}

TEST(HostileSettings, GarbageValuesReadBackAsTheyStandAndStoringKeepsTheRest) {
    struct Case {
        const char* name;
        QByteArray file;
        QString selectedSet;  // what ReadSetting gives for SelectedSet
    };
    const Case cases[] = {
        {"-5", "[Quorvane]\nSelectedSet=-5\n", "-5"},
        {"0", "[Quorvane]\nSelectedSet=0\n", "0"},
        {"99999", "[Quorvane]\nSelectedSet=99999\n", "99999"},
        {"abc", "[Quorvane]\nSelectedSet=abc\n", "abc"},
        {"a list", "[Quorvane]\nSelectedSet=1, 2\n", "1, 2"},
        {"a stored variant", "[Quorvane]\nSelectedSet=@Variant(\\0\\0\\0\\x7f\\0\\0\\0)\n", "1"},
        {"a rectangle", "[Quorvane]\nSelectedSet=@Rect(1 2 3 4)\n", ""},
        {"a line that is no setting", "\x0b\n[Quorvane]\nSelectedSet=3\n", "3"},
        {"binary garbage", QByteArray("\0\xff\xfe[Quo\0rvane\n=\n\n[\n", 20), "1"},
        {"an unclosed section", "[Quorvane\nSelectedSet=4\n", "4"},
        {"a huge value", "[Quorvane]\nSelectedSet=" + QByteArray(1 << 20, '9') + "\n",
         QString(1 << 20, '9')},
    };
    for (const Case& c : cases) {
        ScriptedDialogs dialogs;
        QDir().mkpath(QFileInfo(SettingsFilePath()).path());
        QFile f(SettingsFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.file);
        f.close();
        EXPECT_EQ(ReadSetting("SelectedSet", "1"), c.selectedSet) << c.name;
        EXPECT_EQ(ReadSetting("Combo2", "Arial"), "Arial") << c.name;
        // Storing another choice neither fails nor changes what the others read.
        EXPECT_NO_THROW(WriteSetting("Option3", "False")) << c.name;
        EXPECT_EQ(ReadSetting("Option3", "True"), "False") << c.name;
        EXPECT_EQ(ReadSetting("SelectedSet", "1"), c.selectedSet) << c.name;
        EXPECT_TRUE(dialogs.shown.isEmpty()) << c.name;
        QFile::remove(SettingsFilePath());
    }
}

TEST(HostileSettings, AStoreThatFailsIsReportedEvenWithGarbageInTheFile) {
    REQUIRE_FORK();
    for (const QByteArray& file : {QByteArray("[Quorvane]\nSelectedSet=3\n"),
                                   QByteArray("\x0b\n[Quorvane]\nSelectedSet=3\n")}) {
        QDir().mkpath(QFileInfo(SettingsFilePath()).path());
        QFile f(SettingsFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(file);
        f.close();
        // No file may grow beyond a few bytes: the settings file cannot be written.
        Child child([] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{8, 8};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            WriteSetting("Option3", "False");
            say("stored");
        });
        ASSERT_TRUE(child.finish(10000));
        EXPECT_FALSE(child.lines().contains("stored")) << file.toHex().constData();
        QFile g(SettingsFilePath());
        ASSERT_TRUE(g.open(QIODevice::ReadOnly));
        EXPECT_EQ(g.readAll(), file);
        QFile::remove(SettingsFilePath());
    }
}
