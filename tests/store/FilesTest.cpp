#include "Failure.h"
#include "Files.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray kThree = crlf({"H", "a|b", "c|d"});

struct EditCase {
    const char* name;
    QByteArray before;
    const char* newLine;
    const char* matchLine;
    bool append, replace, del, skip;
    QByteArray after;
};

}  // namespace

TEST(Files, ReadsLinesOfTheFile) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    folder.write("three", "H\r\na|b\r\nc|d");
    folder.write("empty", "");
    EXPECT_EQ(Main::ReadFileToStringFSOLine(folder.path("three")),
              QStringList({"H", "a|b", "c|d"}));
    EXPECT_TRUE(Main::ReadFileToStringFSOLine(folder.path("empty")).isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(Files, ReportsAMissingFileOnceAndGivesNoLines) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    bool ok = true;
    EXPECT_TRUE(Main::ReadFileToStringFSOLine(folder.path("missing"), &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(dialogs.errors(),
              QStringList{expectedReport("File not found", "Main.ReadFileToStringFSOLine", 100)});
}

TEST(Files, EditFileFsoRewritesTheFile) {
    const EditCase cases[] = {
        {"append", kThree, "e|f", "", true, false, false, false, crlf({"H", "a|b", "c|d", "e|f"})},
        {"append to unended last line", "H\r\na|b", "e|f", "", true, false, false, false,
         crlf({"H", "a|b", "e|f"})},
        {"skip reading replaces", kThree, "x|y", "", true, false, false, true, crlf({"x|y"})},
        {"replace duplicates", crlf({"H", "a|b", "c|d", "a|b"}), "x|y", "a|b", false, true, false,
         false, crlf({"H", "x|y", "c|d", "x|y"})},
        {"delete", kThree, "", "c|d", false, false, true, false, crlf({"H", "a|b"})},
        {"header takes part", kThree, "", "H", false, false, true, false, crlf({"a|b", "c|d"})},
        {"no match keeps lines", kThree, "x|y", "q|r", false, true, false, false, kThree},
        {"blanks around bar never match", crlf({"H", "a | b"}), "", "a|b", false, false, true,
         false, crlf({"H", "a | b"})},
        {"lone LF ends become CR LF", "H\na|b\n", "", "zz", false, false, true, false,
         crlf({"H", "a|b"})},
        {"8-bit text kept byte for byte", "H\r\nEspa\xF1ol|\x80\x81\r\n", "c|d", "", true, false,
         false, false, "H\r\nEspa\xF1ol|\x80\x81\r\nc|d\r\n"},
    };
    for (const EditCase& c : cases) {
        ProgramFolder folder;
        ScriptedDialogs dialogs;
        folder.write("f.dat", c.before);
        Main::EditFileFSO(folder.path("f.dat"), c.newLine, c.matchLine, c.append, c.replace, c.del,
                          c.skip);
        EXPECT_EQ(folder.read("f.dat"), c.after) << c.name;
        EXPECT_TRUE(dialogs.shown.isEmpty()) << c.name;
    }
}

TEST(Files, EditFileFsoKeepsNonLatinCards) {
    ProgramFolder folder;
    folder.write("f.dat", QString::fromUtf8("H\r\nάλφα|alpha\r\n").toUtf8());
    Main::EditFileFSO(folder.path("f.dat"), "日本|Japan", "", true, false, false, false);
    EXPECT_EQ(Main::ReadFileToStringFSOLine(folder.path("f.dat")),
              QStringList({"H", QString::fromUtf8("άλφα|alpha"), QString::fromUtf8("日本|Japan")}));
}

TEST(Files, EditFileFsoOnAMissingFileMakesTheNewLineAlone) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    Main::EditFileFSO(folder.path("new.dat"), "a|b", "", true, false, false, false);
    EXPECT_EQ(folder.read("new.dat"), crlf({"a|b"}));
    EXPECT_EQ(dialogs.errors().size(), 1);  // the reader's report of the missing file
}

TEST(Files, AFolderInPlaceOfTheFileIsReportedAndLeftAlone) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    QDir(folder.folder()).mkdir("in-use.dat");
    Main::EditFileFSO(folder.path("in-use.dat"), "a|b", "", true, false, false, false);
    EXPECT_TRUE(QFileInfo(folder.path("in-use.dat")).isDir());
    ASSERT_EQ(dialogs.errors().size(), 2);
    EXPECT_EQ(dialogs.errors()[0],
              expectedReport("Path/File access error", "Main.ReadFileToStringFSOLine", 100));
    EXPECT_EQ(dialogs.errors()[1],
              expectedReport("Path/File access error", "Main.EditFileFSO", 100));
}

TEST(Files, MakeSetFileName) {
    struct Case {
        QString text;
        QString name;
    };
    const Case cases[] = {
        {"StatesCapitals", "StatesCapitals.dat"},
        {"Math: 2/3Answer?", "Math 23Answer.dat"},
        {"A<B>C|D", "ABCD.dat"},
        {"Tab\there", "Tabhere.dat"},
        {"/\\*:?<>|", ".dat"},
        {"Say \"hi\"", "Say hi.dat"},
        {QString::fromUtf8("Español€\x7F") + QChar(0x85), QString::fromUtf8("Español.dat")},
        {QString::fromUtf8("Ελληνικά"), QString::fromUtf8("Ελληνικά.dat")},
        {QString("a") + QChar(0) + "b\r\n", "ab.dat"},
        {" padded ", " padded .dat"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Main::MakeSetFileName(c.text), c.name) << qPrintable(c.text);
}

TEST(Files, RemoveFileIsSilent) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    folder.write("x.dat", "x");
    QFile::setPermissions(folder.path("x.dat"), QFileDevice::ReadOwner);
    Main::RemoveFile(folder.path("x.dat"));
    Main::RemoveFile(folder.path("never.dat"));
    EXPECT_FALSE(folder.exists("x.dat"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(Files, FileExistsNeverFails) {
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    EXPECT_TRUE(Main::FileExists(folder.path("default.dat")));
    EXPECT_TRUE(Main::FileExists(folder.folder()));
    EXPECT_FALSE(Main::FileExists(folder.path("nothing")));
    EXPECT_FALSE(Main::FileExists(""));
    EXPECT_FALSE(Main::FileExists(QString("a") + QChar(0) + "b"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(Files, CopyReplacesTheDestinationWhole) {
    ProgramFolder folder;
    folder.write("dest", "a much longer old content\r\n");
    Main::CopyFile(folder.path("default-sets.dat"), folder.path("dest"));
    EXPECT_EQ(folder.read("dest"), folder.read("default-sets.dat"));
    EXPECT_THROW(Main::CopyFile(folder.path("missing"), folder.path("dest")), look::Failure);
    EXPECT_EQ(folder.read("dest"), folder.read("default-sets.dat"));
}

TEST(Files, BareFileNames) {
    for (const char* good : {"a.dat", "Spanish English.dat", ".dat", "..dat"})
        EXPECT_TRUE(Main::IsBareFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "../x.dat", "/etc/passwd", "a\\b", "sub/a.dat", "a\tb"})
        EXPECT_FALSE(Main::IsBareFileName(bad)) << bad;
    EXPECT_FALSE(Main::IsBareFileName(QString("a") + QChar(0) + "b"));
}

TEST(Files, AHundredThousandLinesReadAndRewrite) {
    ProgramFolder folder;
    QByteArray bytes = "H\r\n";
    for (int i = 0; i < 100000; ++i) bytes += "q" + QByteArray::number(i) + "|a\r\n";
    folder.write("big.dat", bytes);
    Main::EditFileFSO(folder.path("big.dat"), "", "q99999|a", false, false, true, false);
    EXPECT_EQ(folder.read("big.dat"), bytes.left(bytes.size() - int(strlen("q99999|a\r\n"))));
    EXPECT_EQ(Main::ReadFileToStringFSOLine(folder.path("big.dat")).size(), 100000);
}
