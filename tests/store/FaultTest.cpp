// A full disk, a folder that refuses writes, memory running out or a kill amid a rewrite: each
// file holds what it held before or one whole state it went through, and the failure is reported.
#include "CardOps.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Files.h"
#include "Harness.h"
#include "Lists.h"
#include "SetOps.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QRegularExpression>
#include <csignal>
#include <random>

TEST(Faults, AFullDiskAFolderThatRefusesWritesOrTooLittleMemoryLoseNothing) {
    Sandbox box;
    QByteArray cards = "Big|Set\r\n";
    for (int i = 0; i < 300000; ++i)
        cards += "\xC9tat " + QByteArray::number(i) + "|Capitale \x80\r\n";
    QByteArray sets = crlf({"Sets", "States|Capitals|StatesCapitals.dat", "Big|Set|big.dat"});
    for (int i = 0; i < 3000; ++i) sets += "Topic " + QByteArray::number(i) + "|Other|none.dat\r\n";
    box.write("sets.dat", sets);  // too long to be rewritten on a full disk
    box.write("big.dat", cards);
    Deckwork::SelectedSet = 2;
    Deckwork::ReadSets();
    box.write("in-use.dat", cards + "One|More\r\n");  // a copy over it writes
    const auto before = box.inside();
    const QString seventh = codec::decode("\xC9tat 7|Capitale \x80");
    const std::function<void()> operations[] = {
        [] { Main::EditFileFSO(Deckwork::InUsePath, "New|Card", {}, true, false, false, false); },
        [&] { Main::EditFileFSO(Deckwork::InUsePath, "x|y", seventh, false, true, false, false); },
        [&] { Main::EditFileFSO(Deckwork::InUsePath, {}, seventh, false, false, true, false); },
        [] { Main::CopyFile(Main::ProgramFile("big.dat"), Deckwork::InUsePath); },
        [] { Deckwork::SelectedSet = 2, Deckwork::ReadSets(); },
        [] {  // Delete Selected Set on set 2: a set whose line stays keeps its cards
            ScriptedDialogs answers;
            answers.reply(true);
            bool created = false;
            editor::Lists lists(created);
            Deckwork::SetLines = Main::ReadFileToStringFSOLine(Main::ProgramFile("sets.dat"));
            editor::FillTheSets(lists);
            lists.selectSet(2);
            editor::DeleteSelectedSet(lists);
            for (const QString& r : answers.reports()) say("report: " + r.toUtf8());
        },
    };
    const QStringList unread = {"report: Main.ReadFileToStringFSOLine@102: Out of memory",
                                "report: Main.EditFileFSO@100: Path/File access error"};
    const struct {
        char fault;  // d: disk full, p: permission denied as "nobody", m and n: out of memory
        int operation;
        QStringList said;
        QByteArray inUse = {};  // the working copy after, when it changes
    } cases[] = {
        {'d', 0, {"report: Main.EditFileFSO@102: Disk full"}},
        {'d', 1, {"report: Main.EditFileFSO@104: Disk full"}},
        {'d', 2, {"report: Main.EditFileFSO@106: Disk full"}},
        {'d', 3, {"throw: Disk full"}},
        // The set in hand has no cards rather than those of the set before.
        {'d', 4, {"report: Deckwork.ReadSets@112: Disk full"}, "Big|Set\r\n"},
        {'d', 5, {"report: Main.EditFileFSO@106: Disk full"}},
        {'p', 0, {"report: Main.EditFileFSO@102: Permission denied"}},
        {'p', 3, {"throw: Permission denied"}},
        {'p', 4, {"report: Deckwork.ReadSets@112: Permission denied"}},
        {'m', 2, unread},  // read but not decoded: never rewritten from what was read
        {'n', 0, {"report: Main.EditFileFSO@100: Out of memory"}},  // not even read
    };
    for (const auto& c : cases) {
        // Root may write anywhere: "nobody" then meets a folder it cannot write.
        for (const QString& f : {box.folder() + "/..", box.folder()})
            QFile::setPermissions(f, QFileDevice::Permissions(c.fault == 'p' ? 0x5555 : 0x7755));
        const QStringList said = inChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit disk{64 << 10, 64 << 10};
            if (c.fault == 'd') ::setrlimit(RLIMIT_FSIZE, &disk);
            if (c.fault == 'm' || c.fault == 'n') {  // room to read the bytes (m), not to decode
                QFile statm("/proc/self/statm");
                statm.open(QIODevice::ReadOnly);
                const rlim_t room = statm.readLine().split(' ')[0].toULong() * 4096 +
                                    (c.fault == 'm' ? rlim_t(cards.size()) + (8 << 20) : 1 << 20);
                const rlimit memory{room, room};
                ::setrlimit(RLIMIT_AS, &memory);
            }
            if (c.fault == 'p' && ::geteuid() == 0 && (::setgroups(0, nullptr) || ::setuid(65534)))
                say("cannot become nobody");
            operations[c.operation]();
        });
        EXPECT_EQ(said, c.said);
        auto after = before;
        if (!c.inUse.isEmpty()) after["in-use.dat"] = c.inUse;
        EXPECT_EQ(box.inside(), after) << qPrintable(c.said.join(' '));
        box.write("in-use.dat", before["in-use.dat"]);
    }
}

TEST(Faults, AKilledRewriteLeavesEachFileWhole) {
    Sandbox box;
    QByteArray start = "Loop|Test\r\n";
    for (int i = 0; i < 500; ++i) start += "filler " + QByteArray::number(i) + "|\xE9t\xE9\r\n";
    box.write("in-use.dat", start);
    // The start, then whole cards only: a cut file ends in the middle of a line.
    const QRegularExpression cards(QStringLiteral("^(card \\d+\\|(answer|ANSWER)\r\n)*$"));
    const auto whole = [&](const QByteArray& bytes) {
        return bytes.startsWith(start) &&
               cards.match(QString::fromLatin1(bytes.mid(start.size()))).hasMatch();
    };
    std::mt19937 random(7);
    for (int kill = 0; kill < 200; ++kill) {
        const auto rounds = [kill] {
            say("ready");
            for (int r = kill * 1000; kill > 0 || r < 3; ++r) {
                const QString card = QStringLiteral("card %1|").arg(r);
                Main::EditFileFSO(Deckwork::InUsePath, card + "answer", {}, true, false, false,
                                  false);
                Main::EditFileFSO(Deckwork::InUsePath, card + "ANSWER", card + "answer", false,
                                  true, false, false);
                Main::EditFileFSO(Deckwork::InUsePath, {}, QString("card %1|ANSWER").arg(r - 5),
                                  false, false, true, false);
                Main::CopyFile(Deckwork::InUsePath, Main::ProgramFile("loop.dat"));
            }
        };
        EXPECT_EQ(inChild(rounds, kill ? int(random() % 4000) : -1), QStringList{"ready"});
        ASSERT_TRUE(whole(box.read("in-use.dat"))) << "kill " << kill;
        ASSERT_TRUE(!box.exists("loop.dat") || whole(box.read("loop.dat"))) << "kill " << kill;
        // A rewrite killed before its rename may leave its new file, under a name no set uses.
        for (const QString& name : box.inside().keys())
            if (!name.endsWith(".dat")) QFile::remove(box.path(name));
    }
    EXPECT_EQ(box.inside().keys(),
              QStringList({"default-sets.dat", "default.dat", "in-use.dat", "loop.dat"}));
}

// An import cut short leaves the whole set, as exported to TSV or CSV, or none.
TEST(Faults, AKilledImportLeavesTheWholeSetOrNone) {
    Sandbox box;
    ScriptedDialogs d;
    QByteArray cards = "Big|Set\r\n";
    for (int i = 0; i < 20000; ++i)
        cards += "#w\xE9rd " + QByteArray::number(i) + "|say \"a, b\"; \x80\t\r\n";
    box.write("big.dat", cards);
    Deckwork::SetLines =
        QStringList{"Sets", "States|Capitals|StatesCapitals.dat", "Big|Set|big.dat"};
    const QByteArray lists[] = {editor::ExportedSet(2, "x.tsv"), editor::ExportedSet(2, "x.csv")};
    QFile::remove(box.path("big.dat"));
    const QByteArray sets = crlf({"Sets", "States|Capitals|StatesCapitals.dat"}),
                     line = "Big|Set|BigSet.dat\r\n";
    std::mt19937 random(12);
    for (int kill = 0; kill < 61; ++kill) {
        box.write("sets.dat", sets);
        const auto before = box.inside();
        const auto import = [&] {
            auto table = exchange::ReadTable(lists[kill % 2], kill % 2 ? "x.csv" : "x");
            if (kill % 2) table.rows.removeFirst();  // the topics
            say("ready");
            editor::AddSet("Big", "Set", table.rows.cardLines());
        };
        if (kill < 60) inChild(import, kill < 2 ? -1 : int(random() % 15000));
        // 60: cut right after the set's line, before its file is in place.
        if (kill == 60) box.write("BigSet.dat.part", cards), box.write("sets.dat", sets + line);
        const bool made = box.read("sets.dat") != sets;
        Deckwork::SelectedSet = 2;
        Deckwork::ReadSets();  // as the next start does
        ASSERT_EQ(box.read("sets.dat") + box.read("BigSet.dat"),
                  made || kill < 2 ? sets + line + cards : sets + "<none>")
            << "kill " << kill;
        // A part file or a rewrite's new file may stay, under a name no set uses.
        for (const QString& name : box.inside().keys())
            if (!name.endsWith(".dat") || name == "BigSet.dat" || name == "in-use.dat")
                QFile::remove(box.path(name));
        box.write("sets.dat", sets);
        EXPECT_EQ(box.inside(), before);
    }
    EXPECT_TRUE(d.shown.isEmpty());
}

// Card changes and imports killed at any moment while another process changes the same files:
// each file stays whole, and nothing the other process wrote is lost.
TEST(Faults, KilledWritersBesideAnotherLoseNothingOfIt) {
    Sandbox box;
    box.write("sets.dat", crlf({"Sets", "States|Capitals|StatesCapitals.dat"}));
    box.write("s.dat", crlf({"S|T"}));
    const auto writes = [&](const QString& who, int rounds) {
        for (int i = 0; rounds < 0 || i < rounds; ++i) {
            const QString card = QString("%1 %2").arg(who).arg(i);
            Main::AppendLines(box.path("s.dat"), "S|T", {card + "|x"});
            editor::AddSet(card, "x", "q|a\r\n");
        }
    };
    std::mt19937 random(5);
    QStringList cards = {"S|T"}, sets = {"Sets", "States|Capitals|StatesCapitals.dat"};
    for (int kill = 0; kill < 12; ++kill) {
        const pid_t other = ::fork();
        if (other == 0) writes(QString("b%1").arg(kill), 8), ::_exit(0);
        inChild([&] { say("ready"), writes(QString("a%1").arg(kill), -1); }, int(random() % 30000));
        ::waitpid(other, nullptr, 0);
        for (int i = 0; i < 8; ++i) {
            cards << QString("b%1 %2|x").arg(kill).arg(i);
            sets << QString("b%1 %2|x|b%1 %2x.dat").arg(kill).arg(i);
        }
    }
    // The other process's lines all there, in its order, among whole lines of the one killed.
    const QStringList s = codec::splitLines(codec::decode(box.read("s.dat")));
    const QStringList l = codec::splitLines(codec::decode(box.read("sets.dat")));
    EXPECT_EQ(s.filter(QRegularExpression("^(S\\|T|b.*)$")), cards);
    EXPECT_EQ(l.filter(QRegularExpression("^(Sets|States.*|b.*)$")), sets);
    EXPECT_EQ(s.filter(QRegularExpression("^(S\\|T|[ab]\\d+ \\d+\\|x)$")), s);
    for (const QString& line : l.mid(2))
        EXPECT_TRUE(box.exists(line.section('|', 2)) || box.exists(line.section('|', 2) + ".part"))
            << qPrintable(line);
}
