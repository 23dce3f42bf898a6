// Faults met in the middle of a rewrite or a copy: a full disk, a folder that refuses writes,
// a folder, pipe or device where a card file should be, memory running out. Afterwards every
// file holds exactly what it held before, and the failure has been reported.
#include "Child.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Failure.h"
#include "Files.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <csignal>
#include <cstring>
#include <functional>

namespace {

// A card file in the old 8-bit format, `cards` cards long.
QByteArray cardFile(int cards, const QByteArray& tag) {
    QList<QByteArray> lines{tag + "|Capitals"};
    for (int i = 0; i < cards; ++i)
        lines << tag + " \xC9tat " + QByteArray::number(i) + "|Capitale \x80 " +
                     QByteArray::number(i);
    return crlfLines(lines);
}

const QString kSeventh = codec::decode("Big \xC9tat 7|Capitale \x80 7");
const QByteArray kSets =
    crlfLines({"Sets", "States|Capitals|StatesCapitals.dat", "Big|Set|big.dat"});

struct FaultCase {
    const char* name;
    std::function<void()> operation;
    QStringList reports;  // what the user is shown
    QByteArray said;      // or what the operation threw
};

QString report(const char* description, const char* location, int statement) {
    return expectedReport(description, location, statement);
}

// The card operations and copies that rewrite or replace the working copy.
QList<FaultCase> rewrites(const char* description, bool readFails = false) {
    const QString inUse = Deckwork::InUsePath;
    const auto edit = [description, readFails](int statement) {
        if (!readFails) return QStringList{report(description, "Main.EditFileFSO", statement)};
        return QStringList{report(description, "Main.ReadFileToStringFSOLine", 100),
                           report("Path/File access error", "Main.EditFileFSO", 100)};
    };
    return {
        {"append",
         [inUse] { Main::EditFileFSO(inUse, "New|Card", "", true, false, false, false); },
         edit(102),
         {}},
        {"replace",
         [inUse] { Main::EditFileFSO(inUse, "x|y", kSeventh, false, true, false, false); },
         edit(104),
         {}},
        {"delete",
         [inUse] { Main::EditFileFSO(inUse, "", kSeventh, false, false, true, false); },
         edit(106),
         {}},
        {"copy over the working copy",
         [inUse] { Main::CopyFile(Main::ProgramFile("big.dat"), inUse); },
         {},
         QByteArray("throw: ") + description},
        {"loading a set",
         [] {
             Deckwork::SelectedSet = 2;
             Deckwork::ReadSets();
         },
         {report(description, "Deckwork.ReadSets", 112)},
         {}},
    };
}

}  // namespace

TEST(Faults, DiskFillingUpDuringARewriteLosesNothing) {
    REQUIRE_FORK();
    Sandbox box;
    box.write("sets.dat", kSets);
    box.write("big.dat", cardFile(20000, "Big"));
    box.write("in-use.dat", cardFile(20000, "Big"));
    ASSERT_GT(box.read("in-use.dat").size(), 512 * 1024);
    const auto before = box.snapshot();
    for (const FaultCase& c : rewrites("Disk full")) {
        // The file size limit makes every write beyond 64 KiB fail as on a full disk.
        Child child([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{64 * 1024, 64 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            c.operation();
        });
        ASSERT_TRUE(child.finish(30000)) << c.name;
        EXPECT_EQ(child.exitCode(), 0) << c.name;
        EXPECT_EQ(child.reports(), c.reports) << c.name;
        if (!c.said.isEmpty()) {
            EXPECT_TRUE(child.lines().contains(c.said)) << c.name;
        }
        EXPECT_EQ(box.snapshot(), before) << c.name;
    }
}

TEST(Faults, AFullFileSystemLosesNothingAndWorksAgainOnceThereIsRoom) {
    REQUIRE_FORK();
    Sandbox box;
    const QString disk = box.outer() + "/disk";
    QDir().mkpath(disk);
    const QByteArray cards = cardFile(5000, "Big");
    Child child([&] {
        // A small file system of our own, seen by this process only.
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=1m") != 0) {
            say("skip: " + QByteArray(strerror(errno)));
            return;
        }
        const auto put = [&](const QString& name, const QByteArray& bytes) {
            QFile f(disk + "/" + name);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        put("sets.dat", kSets);
        put("big.dat", cards);
        put("in-use.dat", cards);
        Main::SetProgramFolder(disk);
        Deckwork::InUsePath = disk + "/in-use.dat";
        QFile filler(disk + "/filler");
        filler.open(QIODevice::WriteOnly);
        while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
        }
        filler.close();
        const auto before = Sandbox::snapshotOf(disk);
        for (const FaultCase& c : rewrites("Disk full")) {
            try {
                c.operation();
            } catch (const look::Failure& f) {
                say("throw: " + f.description().toUtf8());
            }
            say(QByteArray(c.name) +
                (Sandbox::snapshotOf(disk) == before ? ": kept" : ": changed"));
        }
        QFile::remove(disk + "/filler");
        Main::EditFileFSO(Deckwork::InUsePath, "New|Card", "", true, false, false, false);
        QFile f(Deckwork::InUsePath);
        f.open(QIODevice::ReadOnly);
        say(f.readAll() == cards + "New|Card\r\n" ? "room: appended" : "room: wrong");
    });
    ASSERT_TRUE(child.finish(30000));
    if (!child.lines().isEmpty() && child.lines()[0].startsWith("skip: "))
        GTEST_SKIP() << "cannot mount a small file system here: " << qPrintable(child.lines()[0]);
    QStringList reports, said;
    for (const FaultCase& c : rewrites("Disk full")) {
        reports << c.reports;
        if (!c.said.isEmpty()) said << c.said;
        said << QString(c.name) + ": kept";
    }
    said << "room: appended";
    EXPECT_EQ(child.reports(), reports);
    QStringList lines = child.lines();
    lines.removeIf([](const QString& l) { return l.startsWith("report: "); });
    EXPECT_EQ(lines, said);
}

TEST(Faults, AFolderThatRefusesWritesLosesNothing) {
    REQUIRE_FORK();
    Sandbox box;
    box.write("sets.dat", kSets);
    box.write("big.dat", cardFile(300, "Big"));
    box.write("in-use.dat", cardFile(300, "Big"));
    box.openToOthers();
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                          QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(box.folder(), readOnly));
    const auto before = box.snapshot();
    // Root writes anywhere: the child becomes the unprivileged user "nobody" first.
    const auto demote = [] {
        if (::geteuid() != 0) return true;
        return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
    };
    for (const FaultCase& c : rewrites("Permission denied")) {
        Child child([&] {
            if (!demote()) return say("skip: cannot become nobody");
            c.operation();
        });
        ASSERT_TRUE(child.finish(30000)) << c.name;
        if (child.lines().contains("skip: cannot become nobody")) GTEST_SKIP() << "no setuid";
        EXPECT_EQ(child.reports(), c.reports) << c.name;
        if (!c.said.isEmpty()) {
            EXPECT_TRUE(child.lines().contains(c.said)) << c.name;
        }
        EXPECT_EQ(box.snapshot(), before) << c.name;
    }
    // Files that refuse to be read: nothing is rewritten from what could not be read.
    QFile::setPermissions(box.path("in-use.dat"), QFileDevice::WriteOwner);
    QFile::setPermissions(box.path("big.dat"), QFileDevice::WriteOwner);
    const auto unreadable = box.snapshot();
    for (const FaultCase& c : rewrites("Permission denied", true)) {
        Child child([&] {
            if (!demote()) return say("skip: cannot become nobody");
            c.operation();
        });
        ASSERT_TRUE(child.finish(30000)) << c.name;
        EXPECT_EQ(child.reports(), c.reports) << "unreadable, " << c.name;
        if (!c.said.isEmpty()) {
            EXPECT_TRUE(child.lines().contains(c.said)) << c.name;
        }
        EXPECT_EQ(box.snapshot(), unreadable) << "unreadable, " << c.name;
    }
}

TEST(Faults, AFolderInPlaceOfAFileIsReportedAndLeftAsItIs) {
    struct Case {
        const char* name;
        const char* folder;  // the file that is a folder
        std::function<void()> operation;
        QStringList reports;
        bool threw;
        const char* inUseAfter;  // the file the working copy is a copy of afterwards, if any
    };
    const auto inUse = [] { return Deckwork::InUsePath; };
    const QString notFile = report("Path/File access error", "Main.ReadFileToStringFSOLine", 100);
    const QString editGaveUp = report("Path/File access error", "Main.EditFileFSO", 100);
    const Case cases[] = {
        {"append",
         "in-use.dat",
         [&] { Main::EditFileFSO(inUse(), "a|b", "", true, false, false, false); },
         {notFile, editGaveUp},
         false,
         nullptr},
        {"replace",
         "in-use.dat",
         [&] { Main::EditFileFSO(inUse(), "a|b", "c|d", false, true, false, false); },
         {notFile, editGaveUp},
         false,
         nullptr},
        {"delete",
         "in-use.dat",
         [&] { Main::EditFileFSO(inUse(), "", "c|d", false, false, true, false); },
         {notFile, editGaveUp},
         false,
         nullptr},
        {"append without reading",
         "in-use.dat",
         [&] { Main::EditFileFSO(inUse(), "a|b", "", true, false, false, true); },
         {report("Path/File access error", "Main.EditFileFSO", 102)},
         false,
         nullptr},
        {"loading the set over it",
         "in-use.dat",
         [] { Deckwork::ReadSets(); },
         {report("Path/File access error", "Deckwork.ReadSets", 112)},
         false,
         nullptr},
        {"loading the cards",
         "in-use.dat",
         [] { Deckwork::LoadInUseCards(); },
         {notFile},
         false,
         nullptr},
        {"loading a set whose file is a folder",
         "StatesCapitals.dat",
         [] { Deckwork::ReadSets(); },
         {report("Path/File access error", "Deckwork.ReadSets", 112)},
         false,
         nullptr},
        {"a set list that is a folder",
         "sets.dat",
         [] { Deckwork::ReadSets(); },
         {notFile},
         false,
         "default.dat"},
        {"copy from a folder",
         "StatesCapitals.dat",
         [&] { Main::CopyFile(Main::ProgramFile("StatesCapitals.dat"), inUse()); },
         {},
         true,
         nullptr},
        {"copy over a folder",
         "in-use.dat",
         [&] { Main::CopyFile(Main::ProgramFile("default.dat"), inUse()); },
         {},
         true,
         nullptr},
    };
    for (const Case& c : cases) {
        Sandbox box;
        ScriptedDialogs dialogs;
        box.write("in-use.dat", crlfLines({"States|Capitals", "Ohio|Columbus"}));
        box.write("StatesCapitals.dat", box.read("default.dat"));
        QFile::remove(box.path(c.folder));
        QDir(box.folder()).mkpath(QString(c.folder) + "/inside");
        box.write(QString(c.folder) + "/inside/keep.dat", "kept\r\n");
        Deckwork::CardCount = 7;
        auto expected = box.snapshot();
        if (c.inUseAfter) expected["in-use.dat"] = box.read(c.inUseAfter);
        bool threw = false;
        try {
            c.operation();
        } catch (const look::Failure& f) {
            threw = true;
            EXPECT_EQ(f.description(), "Path/File access error") << c.name;
        }
        EXPECT_EQ(threw, c.threw) << c.name;
        EXPECT_EQ(dialogs.errors(), c.reports) << c.name;
        EXPECT_EQ(box.snapshot(), expected) << c.name;
        EXPECT_EQ(Deckwork::CardCount, 7) << c.name;
    }
}

TEST(Faults, APipeOrADeviceInPlaceOfACardFileNeitherHangsNorFloods) {
    REQUIRE_FORK();
    struct Case {
        const char* name;
        const char* special;  // the file that is a pipe, or a link to the endless /dev/zero
        bool pipe;
        std::function<void()> operation;
        QStringList reports;
    };
    const QString notFile = report("Path/File access error", "Main.ReadFileToStringFSOLine", 100);
    const Case cases[] = {
        {"set file is a pipe",
         "StatesCapitals.dat",
         true,
         [] { Deckwork::ReadSets(); },
         {report("Path/File access error", "Deckwork.ReadSets", 112)}},
        {"set file is a link to a device",
         "StatesCapitals.dat",
         false,
         [] { Deckwork::ReadSets(); },
         {report("Path/File access error", "Deckwork.ReadSets", 112)}},
        {"set list is a pipe", "sets.dat", true, [] { Deckwork::ReadSets(); }, {notFile}},
        {"working copy is a pipe",
         "in-use.dat",
         true,
         [] { Deckwork::LoadInUseCards(); },
         {notFile}},
        {"rewriting a pipe",
         "in-use.dat",
         true,
         [] { Main::EditFileFSO(Deckwork::InUsePath, "a|b", "", true, false, false, false); },
         {notFile, report("Path/File access error", "Main.EditFileFSO", 100)}},
    };
    for (const Case& c : cases) {
        Sandbox box;
        box.write("StatesCapitals.dat", box.read("default.dat"));
        const QString special = box.path(c.special);
        QFile::remove(special);
        if (c.pipe)
            ASSERT_EQ(::mkfifo(QFile::encodeName(special).constData(), 0644), 0);
        else
            ASSERT_TRUE(QFile::link("/dev/zero", special));
        auto expected = box.snapshot();
        if (QByteArray(c.special) == "sets.dat") expected["in-use.dat"] = box.read("default.dat");
        Child child([&] {
            const rlimit memory{1ul << 30, 1ul << 30};
            ::setrlimit(RLIMIT_AS, &memory);
            c.operation();
        });
        EXPECT_TRUE(child.finish(5000)) << c.name << ": still reading after 5 s";
        EXPECT_EQ(child.reports(), c.reports) << c.name;
        EXPECT_EQ(box.snapshot(), expected) << c.name;
    }
}

TEST(Faults, MemoryRunningOutWhileReadingKeepsTheFileWhole) {
    REQUIRE_FORK();
    Sandbox box;
    // Enough memory to read the file's bytes, not enough to turn them into text.
    QByteArray big = cardFile(400000, "Big");
    box.write("in-use.dat", big);
    Child child([&] {
        long pages = 0;
        if (FILE* statm = fopen("/proc/self/statm", "r")) {
            if (fscanf(statm, "%ld", &pages) != 1) pages = 0;
            fclose(statm);
        }
        const rlim_t room = rlim_t(pages) * 4096 + rlim_t(big.size()) + (8u << 20);
        const rlimit memory{room, room};
        ::setrlimit(RLIMIT_AS, &memory);
        Main::EditFileFSO(Deckwork::InUsePath, "New|Card", "", true, false, false, false);
    });
    ASSERT_TRUE(child.finish(30000));
    EXPECT_EQ(box.read("in-use.dat"), big);
    EXPECT_EQ(child.reports(),
              QStringList({report("Out of memory", "Main.ReadFileToStringFSOLine", 102),
                           report("Path/File access error", "Main.EditFileFSO", 100)}));
}
