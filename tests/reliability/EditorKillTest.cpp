// The program killed at random moments while the editor adds, edits and deletes cards and
// creates, deletes and picks sets, round after round on the same folder. After each kill every
// file holds a whole state that the operations went through (never a mix, a cut-off file or
// nothing), and the next start shows the set in hand without a report.
#include "Child.h"
#include "CurrentSet.h"
#include "Dialogs.h"
#include "Files.h"
#include "Form1.h"
#include "Form3.h"
#include "ProgramRun.h"
#include "Sandbox.h"
#include "ScriptedDialogs.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QQueue>
#include <QSet>
#include <QTemporaryDir>
#include <QTreeView>
#include <chrono>
#include <csignal>
#include <random>

namespace {

enum Kind { AddCard, EditCard, DeleteCard, CreateSet, DeleteSet, PickSet };
const char* const kKindNames[] = {"add card",   "edit card",  "delete card",
                                  "create set", "delete set", "pick set"};

// One editor operation of a round; `at` picks the entry, as a share of the list's length.
struct Step {
    Kind kind;
    double at;
    QString first, second;
};

// The child's dialogs: prompts answered from a queue, every question with Yes, and every box
// sent to the test.
class AnsweringDialogs final : public look::Dialogs {
public:
    QQueue<QString> answers;
    void error(const QString&, const QString& text) override {
        say("report: " + text.toUtf8().replace('\r', "\\r").replace('\n', "\\n"));
    }
    QString prompt(const QString&, const QString&, const QString&) override {
        return answers.isEmpty() ? QString() : answers.dequeue();
    }
    bool question(const QString&, const QString&) override { return true; }
    void notice(const QString& text, const QString&) override { say("notice: " + text.toUtf8()); }
};

QString settingsFolder() { return QFileInfo(SettingsFilePath()).path(); }

// A short fingerprint of each file of the program folder and of the settings file.
QMap<QString, QByteArray> fingerprints(const QString& folder) {
    QMap<QString, QByteArray> out;
    const auto entries = Sandbox::snapshotOf(folder);
    for (auto it = entries.begin(); it != entries.end(); ++it)
        out[it.key()] = QCryptographicHash::hash(it.value(), QCryptographicHash::Sha1).toHex();
    QFile settings(SettingsFilePath());
    out[QStringLiteral("<settings>")] =
        settings.open(QIODevice::ReadOnly)
            ? QCryptographicHash::hash(settings.readAll(), QCryptographicHash::Sha1).toHex()
            : QByteArray("<none>");
    return out;
}

void sayFingerprints(const QString& folder) {
    const auto prints = fingerprints(folder);
    QByteArray line = "state";
    for (auto it = prints.begin(); it != prints.end(); ++it)
        line += ' ' + QFile::encodeName(it.key()) + '=' + it.value();
    say(line);
}

// The child: starts the program on the folder, opens the editor and runs the steps.
void runSteps(const QList<Step>& steps, bool tellStates) {
    AnsweringDialogs dialogs;
    look::setDialogs(&dialogs);
    Form1 main;
    main.PushButton2_Click();
    Form3* editor = main.editor();
    if (!editor) return say("no editor");
    auto* sets = editor->findChild<QTreeView*>(QStringLiteral("ListView2"));
    auto* cards = editor->findChild<QTreeView*>(QStringLiteral("ListView1"));
    const auto press = [editor](const char* name) {
        editor->findChild<QPushButton*>(QLatin1String(name))->click();
    };
    const auto highlight = [](QTreeView* view, double at, int first) {
        const int count = view->model()->rowCount();
        const int k = qMin(count, first + int(at * (count - first + 1)));
        const QModelIndex index = view->model()->index(k - 1, 0);
        view->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return index;
    };
    if (tellStates) sayFingerprints(Main::ProgramFolder());
    QElapsedTimer clock;
    clock.start();
    say("ready");
    for (const Step& step : steps) {
        dialogs.answers.clear();
        dialogs.answers << step.first << step.second;
        switch (step.kind) {
            case AddCard:
                press("PushButton1");
                break;
            case EditCard:
                highlight(cards, step.at, 1);
                press("PushButton2");
                break;
            case DeleteCard:
                highlight(cards, step.at, 1);
                press("PushButton3");
                break;
            case CreateSet:
                press("PushButton6");
                break;
            case DeleteSet:
                highlight(sets, step.at, 2);
                press("PushButton7");
                break;
            case PickSet:
                emit sets->clicked(highlight(sets, step.at, 1));
                break;
        }
        if (tellStates) sayFingerprints(Main::ProgramFolder());
    }
    say("done in " + QByteArray::number(clock.nsecsElapsed() / 1000) + " us");
}

void copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden))
        QFile::copy(from + '/' + name, to + '/' + name);
}

// The texts the main window shows for the set that the list of sets and the stored selection
// put in hand; a selection without its line gives the installed set's.
QString expectedLabel(const QByteArray& setsFile) {
    const QList<QByteArray> lines = byteLines(setsFile);
    const int selected = ReadSetting(QStringLiteral("SelectedSet"), QStringLiteral("1")).toInt();
    QString side1 = QStringLiteral("States"), side2 = QStringLiteral("Capitals");
    if (selected >= 1 && selected < lines.size()) {
        const QList<QByteArray> fields = lines[selected].split('|');
        side1 = QString::fromLatin1(fields.value(0));
        side2 = QString::fromLatin1(fields.value(1));
    }
    return Deckwork::DescribeSet(side1, side2).label3;
}

QByteArray cardFile(const QByteArray& header, int cards) {
    QList<QByteArray> lines{header};
    for (int i = 0; i < cards; ++i)
        lines << "word " + QByteArray::number(i) + "|mot \xE9t\xE9 " + QByteArray::number(i);
    return crlfLines(lines);
}

}  // namespace

TEST(EditorKills, EveryFileIsAWholeStateAndTheNextStartShowsTheSetInHand) {
    REQUIRE_FORK();
    const bool longRun = qEnvironmentVariableIntValue("QUORVANE_LONG") != 0;
    const int kills = longRun ? 1000 : 120;
    Sandbox box;
    box.write("sets.dat", crlfLines({"Sets", "States|Capitals|StatesCapitals.dat",
                                     "Spanish|English|SpanishEnglish.dat"}));
    box.write("StatesCapitals.dat", box.read("default.dat"));
    box.write("SpanishEnglish.dat", cardFile("Spanish|English", 300));
    WriteSetting("SelectedSet", "2");
    QTemporaryDir scratch;
    const QString reference = scratch.path() + "/prog";
    const QString referenceSettings = scratch.path() + "/config";

    const auto seed = unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    int ran[6] = {}, leftovers = 0, reportsAtStart = 0;
    qint64 stepsUs = 0;
    for (int k = 0; k < kills; ++k) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", kill " + std::to_string(k));
        // Nothing is painted in this process: a forked child could not use painting's threads.
        ASSERT_TRUE(singleThreaded());
        // Six operations, most of them on cards; a set is created only while there are few.
        const int setCount = int(byteLines(box.read("sets.dat")).size()) - 1;
        QList<Step> steps;
        for (int i = 0; i < 6; ++i) {
            Kind kind = Kind(random() % 6);
            if (kind == CreateSet && setCount > 5) kind = DeleteSet;
            if (kind == DeleteSet && setCount < 3) kind = CreateSet;
            const QString tag = QString::number(k) + "x" + QString::number(i);
            steps.append({kind, share(random), "S" + tag, "T" + tag});
            ++ran[kind];
        }

        // The same steps, undisturbed, on a copy: every state each file goes through.
        copyFolder(box.folder(), reference);
        QDir(referenceSettings).removeRecursively();
        QDir().mkpath(referenceSettings);
        QFile::copy(SettingsFilePath(), referenceSettings + "/Tindrel.ini");
        QList<QMap<QString, QByteArray>> states{fingerprints(box.folder())};
        qint64 runUs = 0;
        {
            Child whole([&] {
                qputenv("XDG_CONFIG_HOME", QFile::encodeName(referenceSettings));
                Main::SetProgramFolder(reference);
                runSteps(steps, true);
            });
            ASSERT_TRUE(whole.finish(30000));
            ASSERT_TRUE(whole.reports().isEmpty()) << qPrintable(whole.reports().join("\n"));
            for (const QString& line : whole.lines()) {
                if (line.startsWith("done in "))
                    runUs = line.mid(8).section(' ', 0, 0).toLongLong();
                if (!line.startsWith("state ")) continue;
                QMap<QString, QByteArray> state;
                for (const QString& pair : line.mid(6).split(' '))
                    state[pair.section('=', 0, 0)] = pair.section('=', 1).toLatin1();
                states << state;
            }
            ASSERT_GT(runUs, 0) << qPrintable(whole.lines().join("\n"));
        }
        // A file that some state lacks may be missing after the kill.
        QMap<QString, QSet<QByteArray>> allowed;
        for (const auto& state : std::as_const(states))
            for (const QString& name : state.keys()) allowed[name];
        for (const auto& state : std::as_const(states))
            for (auto it = allowed.begin(); it != allowed.end(); ++it)
                it.value() << state.value(it.key(), "<none>");
        stepsUs += runUs;

        // The real run, killed somewhere in the middle.
        std::uniform_int_distribution<qint64> delay(0, runUs + runUs / 10);
        Child killed([&] { runSteps(steps, false); });
        ASSERT_TRUE(killed.waitFor("ready", 30000));
        ::usleep(useconds_t(delay(random)));
        killed.kill();
        ASSERT_TRUE(killed.finish(10000));
        ASSERT_TRUE(killed.reports().isEmpty()) << qPrintable(killed.reports().join("\n"));

        // A rewrite killed before its rename may leave its new file under a temporary name,
        // which no set names.
        for (const QString& folder : {box.folder(), settingsFolder()})
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
                const bool known =
                    folder == box.folder() ? allowed.contains(name) : name == "Tindrel.ini";
                if (known || name.endsWith(".lock")) continue;
                ASSERT_FALSE(name.endsWith(".dat") || name.endsWith(".ini")) << qPrintable(name);
                QFile::remove(folder + '/' + name);
                ++leftovers;
            }
        const auto now = fingerprints(box.folder());
        for (auto it = allowed.begin(); it != allowed.end(); ++it) {
            const QByteArray print = now.value(it.key(), "<none>");
            ASSERT_TRUE(it.value().contains(print))
                << qPrintable(it.key()) << " is no state it went through: "
                << box.read(it.key()).left(300).toPercentEncoding("|").constData();
        }
        for (const QString& name : now.keys())
            ASSERT_TRUE(allowed.contains(name)) << qPrintable(name);

        // The next start shows the set in hand and reports nothing.
        ScriptedDialogs dialogs;
        {
            Form1 again;
            EXPECT_EQ(again.Label3->text(), expectedLabel(box.read("sets.dat")));
            EXPECT_EQ(shortReports(dialogs.errors()), QStringList());
            reportsAtStart += int(dialogs.errors().size());
        }
        if (HasFailure()) return;
    }
    printf(
        "[ figures  ] %d kills (seed %u) during rounds of six editor operations of %lld us on "
        "average (%d adds, %d edits, %d card deletions, %d sets created, %d deleted, %d "
        "picked); every file a whole state after each kill; %d temporary files left over; "
        "%d reports at the starts after the kills\n",
        kills, seed, static_cast<long long>(stepsUs / qMax(1, kills)), ran[AddCard], ran[EditCard],
        ran[DeleteCard], ran[CreateSet], ran[DeleteSet], ran[PickSet], leftovers, reportsAtStart);
}
