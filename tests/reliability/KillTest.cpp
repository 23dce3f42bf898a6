// A process killed at random moments while it rewrites the working copy and copies it over the
// set's own file, hundreds of times: afterwards each file holds one whole state that the
// rewrites went through, never a mix of two, a cut-off one or nothing.
#include "Child.h"
#include "CurrentSet.h"
#include "Files.h"
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <chrono>
#include <csignal>
#include <random>

namespace {

constexpr int kFiller = 500;  // enough lines that a rewrite takes a while
constexpr int kWindow = 20;   // cards kept: each round appends one and deletes the oldest

QByteArray card(int round, bool revealed) {
    return "card " + QByteArray::number(round) + (revealed ? "|ANSWER " : "|answer ") +
           QByteArray::number(round);
}

// The working copy after `rounds` whole rounds: append, replace, delete and copy.
QList<QByteArray> settled(int rounds) {
    QList<QByteArray> lines{"Loop|Test"};
    for (int i = 0; i < kFiller; ++i)
        lines << "filler " + QByteArray::number(i) + "|\xE9t\xE9 \x80 " + QByteArray::number(i);
    for (int j = std::max(0, rounds - kWindow); j < rounds; ++j) lines << card(j, true);
    return lines;
}

enum State { Settled, Appended, Replaced, Broken };

// Which whole state `bytes` is, and of which round.
State classify(const QByteArray& bytes, int* round) {
    const QList<QByteArray> lines = byteLines(bytes);
    static const QRegularExpression cardLine(
        QStringLiteral("^card (\\d+)\\|(answer|ANSWER) \\d+$"));
    const auto m = lines.isEmpty() ? QRegularExpressionMatch()
                                   : cardLine.match(QString::fromLatin1(lines.last()));
    if (!m.hasMatch()) {
        *round = 0;
        return bytes == crlfLines(settled(0)) ? Settled : Broken;
    }
    *round = m.captured(1).toInt();
    if (m.captured(2) == QLatin1String("answer"))
        return bytes == crlfLines(settled(*round) << card(*round, false)) ? Appended : Broken;
    // In the first rounds the delete finds nothing, and a replaced copy is already settled.
    if (bytes == crlfLines(settled(*round + 1))) return ++*round, Settled;
    return bytes == crlfLines(settled(*round) << card(*round, true)) ? Replaced : Broken;
}

// The child: goes on from `state` of `round`, the state the working copy is in, round after
// round, until it is killed or has done `rounds` rounds.
void rewriteRounds(int round, State state, int rounds) {
    const QString inUse = Deckwork::InUsePath;
    const auto text = [](int r, bool revealed) { return QString::fromLatin1(card(r, revealed)); };
    say("ready");
    for (int done = 0; rounds == 0 || done < rounds; ++done, ++round, state = Settled) {
        if (state == Settled)
            Main::EditFileFSO(inUse, text(round, false), {}, true, false, false, false);
        if (state != Replaced)
            Main::EditFileFSO(inUse, text(round, true), text(round, false), false, true, false,
                              false);
        Main::EditFileFSO(inUse, {}, text(round - kWindow, true), false, false, true, false);
        Main::CopyFile(inUse, Main::ProgramFile(QStringLiteral("loop.dat")));
    }
}

}  // namespace

TEST(KillDuringWrites, EveryFileIsItsOldOrItsNewContentAfterEachKill) {
    REQUIRE_FORK();
    const bool longRun = qEnvironmentVariableIntValue("QUORVANE_LONG") != 0;
    const int kills = longRun ? 5000 : 300;
    Sandbox box;
    box.write("sets.dat",
              crlfLines({"Sets", "States|Capitals|StatesCapitals.dat", "Loop|Test|loop.dat"}));
    box.write("in-use.dat", crlfLines(settled(0)));
    box.write("loop.dat", crlfLines(settled(0)));
    const QStringList names = QDir(box.folder()).entryList(QDir::Files | QDir::Hidden);

    // A few undisturbed rounds tell how long one takes, so that the kills spread over rounds.
    QElapsedTimer clock;
    clock.start();
    {
        Child timing([] { rewriteRounds(0, Settled, 10); });
        ASSERT_TRUE(timing.finish(60000));
        ASSERT_TRUE(timing.reports().isEmpty()) << qPrintable(timing.reports().join("\n"));
    }
    const auto roundUs = std::max<qint64>(100, clock.nsecsElapsed() / 1000 / 10);

    const auto seed = unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> delay(0, 3 * roundUs);
    int seen[4] = {};
    int wholeLeftovers = 0, cutLeftovers = 0, round = 10;
    State state = Settled;
    for (int k = 0; k < kills; ++k) {
        Child child([=] { rewriteRounds(round, state, 0); });
        ASSERT_TRUE(child.waitFor("ready", 10000)) << "kill " << k;
        ::usleep(useconds_t(delay(random)));
        child.kill();
        ASSERT_TRUE(child.finish(10000));
        ASSERT_EQ(child.exitCode(), -SIGKILL) << "kill " << k;
        ASSERT_TRUE(child.reports().isEmpty())
            << "seed " << seed << ", kill " << k << ": " << qPrintable(child.reports().join("\n"));

        int copied = 0;
        state = classify(box.read("in-use.dat"), &round);
        ASSERT_NE(state, Broken) << "seed " << seed << ", kill " << k << ": in-use.dat is cut";
        ASSERT_EQ(classify(box.read("loop.dat"), &copied), Settled)
            << "seed " << seed << ", kill " << k << ": loop.dat is cut";
        ASSERT_LE(copied, round);
        ++seen[state];
        // A rewrite killed before it renamed its new file over the old one leaves that file
        // under a temporary name (cut off too, where the file system makes them named from
        // the start); no set names it, so it is never taken for a card file.
        for (const QString& name : QDir(box.folder()).entryList(QDir::Files | QDir::Hidden)) {
            if (names.contains(name)) continue;
            ASSERT_FALSE(name.endsWith(".dat")) << qPrintable(name);
            int r = 0;
            ++(classify(box.read(name), &r) == Broken ? cutLeftovers : wholeLeftovers);
            QFile::remove(box.path(name));
        }
    }
    // The set loads whole after the last kill.
    Deckwork::SelectedSet = 2;
    Deckwork::ReadSets();
    Deckwork::LoadInUseCards();
    EXPECT_EQ(box.read("in-use.dat"), box.read("loop.dat"));
    EXPECT_EQ(Deckwork::CardCount, Deckwork::CardLines.size() - 1);
    EXPECT_GT(round, kills / 10) << "the rewrites hardly went on between kills";
    printf(
        "[ figures  ] %d kills (seed %u) over %d rounds of %lld us; the working copy was "
        "found settled %d, appended %d, replaced %d times, never cut; %d whole and %d cut "
        "temporary files left over\n",
        kills, seed, round, static_cast<long long>(roundUs), seen[Settled], seen[Appended],
        seen[Replaced], wholeLeftovers, cutLeftovers);
}
