// The card store. The fuzz targets (fuzz/) hold its rules on any file; these pin the exact
// results the program promises, and what it does with files it cannot use.
#include "Codec.h"
#include "CurrentSet.h"
#include "Failure.h"
#include "Files.h"
#include "Harness.h"
#include "Settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(Codec, Reads8BitOrUtf8AndWritesWhatReadsBackTheSame) {
    const std::tuple<QByteArray, QString, QByteArray> cases[] = {
        {"Espa\xF1ol \x80\x81", "Español €\xC2\x81", "Espa\xF1ol \x80\x81"},
        {"\xC3\xA9t\xC3\xA9", "été", "\xE9t\xE9"},
        {"\xC3\x83\xC2\xA9", "Ã©", "\xC3\x83\xC2\xA9"},  // fits 8-bit, which would read as é
        {"\xEF\xBB\xBF\xEF\xBB\xBFH", QChar(0xFEFF) + QString("H"), "\xEF\xBB\xBF\xEF\xBB\xBFH"},
    };
    for (const auto& [bytes, text, written] : cases) {
        EXPECT_EQ(codec::decode(bytes), text);
        EXPECT_EQ(codec::encode(text), written) << bytes.data();
    }
}

TEST(Files, EditFileFsoReplacesTheFileWholeOrReportsWhyNot) {
    const QString notFile = "Main.ReadFileToStringFSOLine@100: Path/File access error";
    const QString gaveUp = "Main.EditFileFSO@100: Path/File access error";
    const struct {
        QByteArray before;  // or a "<folder>", a "<pipe>" or "<none>" in its place
        bool skipReading;
        QByteArray after;
        QStringList reports = {};
    } cases[] = {
        {"H\r\n\xF1|\x80", false, "H\r\n\xF1|\x80\r\nc|d\r\n"},  // 8-bit kept byte for byte
        {"H\r\n\xF1|\x80", true, "c|d\r\n"},
        {"<none>", false, "c|d\r\n", {"Main.ReadFileToStringFSOLine@100: File not found"}},
        {"<folder>", false, "<folder>", {notFile, gaveUp}},
        {"<pipe>", false, "<special>", {notFile, gaveUp}},
        {"<folder>", true, "<folder>", {"Main.EditFileFSO@102: Path/File access error"}},
    };
    for (const auto& c : cases) {
        Sandbox box;
        ScriptedDialogs d;
        if (c.before == "<folder>")
            QDir().mkpath(box.path("f.dat"));
        else if (c.before == "<pipe>")
            ::mkfifo(QFile::encodeName(box.path("f.dat")).constData(), 0644);
        else if (c.before != "<none>")
            box.write("f.dat", c.before);
        Main::EditFileFSO(box.path("f.dat"), "c|d", {}, true, false, false, c.skipReading);
        EXPECT_EQ(box.inside().value("f.dat", "<none>"), c.after) << c.before.data();
        EXPECT_EQ(d.reports(), c.reports) << c.before.data();
    }
}

TEST(Files, NamesTestsCopiesAndDeletes) {
    EXPECT_EQ(Main::MakeSetFileName("Math: 2/3Answer?"), "Math 23Answer.dat");
    EXPECT_EQ(Main::MakeSetFileName(QString::fromUtf8(" A<B>C|D\\*\t\"\x7F\xC2\x85€Ω ")),
              QString::fromUtf8(" ABCDΩ .dat"));  // € is byte 0x80, a control range
    for (const char* name : {"a.dat", "..dat", "", ".", "..", "../x", "/x", "a\\b", "a\tb"})
        EXPECT_EQ(Main::IsBareFileName(name), QByteArray(name).endsWith(".dat")) << name;
    Sandbox box;
    ScriptedDialogs d;
    EXPECT_TRUE(Main::FileExists(box.path("default.dat")) && Main::FileExists(box.folder()));
    EXPECT_FALSE(Main::FileExists(box.path("none")) || Main::FileExists(QString()));
    box.write("dest", "a much longer old content\r\n");
    Main::CopyFile(box.path("default-sets.dat"), box.path("dest"));
    EXPECT_THROW(Main::CopyFile(box.path("none"), box.path("dest")), look::Failure);
    EXPECT_EQ(box.read("dest"), box.read("default-sets.dat"));
    QFile::setPermissions(box.path("dest"), QFileDevice::ReadOwner);
    Main::RemoveFile(box.path("dest"));
    Main::RemoveFile(box.path("none"));
    EXPECT_FALSE(box.exists("dest") || d.shown.size());
}

TEST(Settings, StoresTextsUnderQuorvane) {
    Sandbox box;
    EXPECT_EQ(ReadSetting("Combo1", "144"), "144");
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
    WriteSetting("Combo2", "DejaVu Sans, Bold");
    EXPECT_EQ(ReadSetting("Combo2", "Arial"), "DejaVu Sans, Bold");
    QFile file(SettingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[Quorvane]\nCombo2=\"DejaVu Sans, Bold\"\n");
}

// Two copies writing their settings at the same moment keep each other's keys.
TEST(Settings, TwoWritersAtOnceKeepEachOthersKeys) {
    Sandbox box;
    const auto write = [](const char* who) {
        for (int i = 0; i < 40; ++i) WriteSetting(who + QString::number(i), who);
    };
    const pid_t other = ::fork();
    if (other == 0) write("b"), ::_exit(0);
    write("a");
    ::waitpid(other, nullptr, 0);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(
            ReadSetting("a" + QString::number(i), "-") + ReadSetting("b" + QString::number(i), "-"),
            "ab");
}

namespace {

struct RecordingView final : Deckwork::SetTextsView {
    RecordingView() { Deckwork::SetSetTextsView(this); }
    ~RecordingView() override { Deckwork::SetSetTextsView(nullptr); }
    void showSetTexts(const Deckwork::SetTexts& t) override { texts = t; }
    Deckwork::SetTexts texts;
};

}  // namespace

TEST(ReadSets, DescribesTheSetInHandAndLoadsItsCards) {
    Sandbox box;
    ScriptedDialogs d;
    RecordingView view;
    Deckwork::SelectedSet = 1;
    Deckwork::ReadSets();  // without a list of sets: the installed set
    EXPECT_EQ(d.reports(), QStringList{"Main.ReadFileToStringFSOLine@100: File not found"});
    EXPECT_EQ(box.read("in-use.dat"), box.read("default.dat"));
    EXPECT_EQ(
        view.texts.option5 + view.texts.option6,
        "Show States first and then flip to CapitalsShow Capitals first and then flip to States");
    // The working copy follows the set's file, and a working copy replaced from outside is made
    // again from that file.
    for (const auto& [cards, count] : {std::pair{100000, 100000}, {0, 100000}, {3, 3}}) {
        QByteArray bytes = "H\r\n";
        for (int i = 0; i < cards; ++i) bytes += "q" + QByteArray::number(i) + "|a\r\n";
        box.write("default.dat", bytes);
        box.write("in-use.dat", "Other|Set\r\nq|a\r\n");
        Deckwork::LoadInUseCards();
        EXPECT_EQ(box.read("in-use.dat"), bytes);
        EXPECT_EQ(Deckwork::CardLines.size(), cards + 1);
        EXPECT_EQ(Deckwork::CardCount, count);  // a deck without cards keeps the count it had
    }
}
