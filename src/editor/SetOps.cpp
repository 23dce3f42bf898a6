#include "SetOps.h"

#include "CardOps.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Dialogs.h"
#include "Failure.h"
#include "Files.h"
#include "Lists.h"
#include "Lock.h"
#include "Settings.h"
#include "Trap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <optional>

namespace editor {
namespace {

// Field i of a line split at "|"; throws like an index beyond the fields.
QString field(const QString& line, int i) {
    const QStringList fields = line.split(QLatin1Char('|'));
    if (i >= fields.size()) throw look::Failure(look::failures::SubscriptOutOfRange);
    return fields[i];
}

// The card file named by a set line, or an empty text when it names none.
QString fileOfSetLine(const QString& line) { return line.split(QLatin1Char('|')).value(2); }

// True when a set line of `lines` names the file `name`, in any case.
bool named(const QStringList& lines, const QString& name) {
    for (int i = 1; i < lines.size(); ++i)
        if (fileOfSetLine(lines[i]).compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString setsPath() { return Main::ProgramFile(QStringLiteral("sets.dat")); }

// The lines of sets.dat as it is now. A list of sets that has gone, or that is no file, is not
// begun afresh by a rewrite: the header and the installed set would be lost with it.
QStringList currentSets() {
    const QFileInfo file(setsPath());
    if (!file.isFile()) look::throwFileFailure(file.exists() ? EISDIR : ENOENT);
    return codec::splitLines(codec::decode(Main::ReadBytes(setsPath())));
}

void loadSet(Lists& lists) {
    Deckwork::ReadSets();
    FillTheSets(lists);
    FillTheList(lists);
}

// Entry k of the set list found again in sets.dat as it is now: the number of its line there (k
// itself while the list is unchanged), or 0 when that line has gone.
int findListed(const Lists& lists, int k) {
    if (k < 1) return 0;
    const QString shown = lists.sets.entry(k).stored;
    QStringList lines;
    try {
        lines = codec::splitLines(codec::decode(Main::ReadBytes(setsPath())));
    } catch (const look::Failure&) {
        return k;  // the loading of the set says why
    }
    return lines.value(k) == shown ? k : qMax(0, int(lines.indexOf(shown, 1)));
}

// The set list shows SetLines, refilled when sets.dat had changed, with the set in hand
// highlighted then.
void showSets(Lists& lists) {
    bool same = lists.sets.count() == qMax(0, int(Deckwork::SetLines.size()) - 1);
    for (int k = 1; same && k <= lists.sets.count(); ++k)
        same = lists.sets.entry(k).stored == Deckwork::SetLines[k];
    if (same) return;
    FillTheSets(lists);
    lists.selectSet(Deckwork::SelectedSet);
}

// The two topics of a new set asked for, trimmed: false when the user gave no pair.
// Statements `first` to `first` + 4.
bool askTopics(look::Trap& trap, int first, QString& t1, QString& t2) {
    const QString title = look::applicationTitle();
    QString answer1, answer2;
    trap.at(first, [&] {
        answer1 = look::dialogs().prompt(
            QStringLiteral("Enter topic for Side 1:\r\n(for example States)"), title, {});
    });
    trap.at(first + 2, [&] {
        answer2 = look::dialogs().prompt(
            QStringLiteral("Enter topic for Side 2:\r\n(for example Capitals)"), title, {});
    });
    bool go = false;
    trap.at(first + 4, [&] {
        t1 = TrimBlanks(answer1);
        t2 = TrimBlanks(answer2);
        go = !t1.isEmpty() && !t2.isEmpty();
    });
    return go;
}

void tell(const QString& text) { look::dialogs().notice(text, look::applicationTitle()); }

// The set just made on line `listed` becomes the set in hand. Statements `first` to `first` + 8.
void putInHand(look::Trap& trap, int first, Lists& lists, int listed) {
    trap.at(first, [&] { Deckwork::SelectedSet = listed; });
    trap.at(first + 2, [&] { loadSet(lists); });
    trap.at(first + 4, [&] {
        WriteSetting(QStringLiteral("SelectedSet"), QString::number(Deckwork::SelectedSet));
    });
    trap.at(first + 6, [&] { lists.selectSet(lists.sets.count()); });
    trap.at(first + 8, [&] { lists.NewSetSelected = true; });
}

const QString kListNames = QStringLiteral(
    "A set is written to a name ending in .csv, .tsv, .txt, .apkg or .kvtml. Nothing was "
    "written.");

}  // namespace

QString RefuseTopics(const QString& side1, const QString& side2, const QStringList& sets) {
    for (const QString& topic : {side1, side2}) {
        for (QChar c : {QLatin1Char('|'), QLatin1Char('/'), QLatin1Char('\r'), QLatin1Char('\n')})
            if (topic.contains(c))
                return QStringLiteral(
                    "A topic cannot contain \"|\", \"/\" or a line break, "
                    "because the list of sets uses them to tell the topics "
                    "apart. No set was created.");
    }
    const QString name = Main::MakeSetFileName(side1 + side2);
    // The longest file name the file system takes.
    if (QFile::encodeName(name).size() > 255)
        return QStringLiteral(
            "These topics are too long to name the set's file. Please choose "
            "shorter topics. No set was created.");
    if (!Main::IsOwnSetFileName(name) || Main::FileExists(Main::ProgramFile(name)) ||
        named(sets, name))
        return QStringLiteral("The topics \"") + side1 + QStringLiteral("\" and \"") + side2 +
               QStringLiteral("\" would store the set in the file \"") + name +
               QStringLiteral(
                   "\", which is already in use. Please choose other topics. "
                   "No set was created.");
    return {};
}

QString RefuseExportTarget(const QString& path) {
    const QFileInfo file(path);
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    // A link is judged by where it leads, a new file by the folder it goes to.
    if (file.isSymLink() ? !file.exists() || !file.isFile() : file.exists() && !file.isFile())
        return quoted + QStringLiteral(" is not a plain file. Nothing was written.");
    const QString target = file.exists() ? file.canonicalFilePath()
                                         : QDir(file.absolutePath()).canonicalPath() +
                                               QLatin1Char('/') + file.fileName();
    const QString folder = QDir(Main::CardFolder()).canonicalPath();
    if (!folder.isEmpty() && target.startsWith(folder + QLatin1Char('/')))
        return quoted + QStringLiteral(
                            " is in the card folder, whose files only the program writes. "
                            "Nothing was written.");
    return {};
}

void FillTheSets(Lists& lists) {
    look::Trap trap("Form3.FillTheSets");
    // The sets as sets.dat has them now: a set imported from the command line shows too.
    trap.at(106, [] { Deckwork::FollowSets(); });
    trap.at(100, [&] { lists.sets.clear(); });
    bool any = false;
    trap.at(102, [&] { any = Deckwork::SetLines.size() > 1; });
    if (!any) return;
    trap.at(104, [&] {
        QVector<Entry> entries;
        entries.reserve(Deckwork::SetLines.size() - 1);
        // A line without "|" still gets its entry, so that entry k always shows set line k.
        for (int i = 1; i < Deckwork::SetLines.size(); ++i) {
            const QStringList fields = Deckwork::SetLines[i].split(QLatin1Char('|'));
            entries.append({fields.value(0) + QLatin1Char('/') + fields.value(1),
                            {},
                            i,
                            Deckwork::SetLines[i]});
        }
        lists.sets.setEntries(std::move(entries));
    });
}

void PickSet(Lists& lists) {
    look::Trap trap("Form3.ListView2_Click");
    int k = 0;
    trap.at(100, [&] { k = lists.selectedSet(); });
    // The list may show sets.dat as it was: the set clicked is taken as it is now, and with no
    // set clicked the set in hand stays in hand wherever its line has gone.
    bool loaded = false;
    trap.at(108, [&] {
        k = findListed(lists, k);
        loaded = k == 0 && Deckwork::FollowSets();
    });
    if (k > 0) {
        trap.at(102, [&] {
            if (k != Deckwork::SelectedSet) lists.NewSetSelected = false;
            Deckwork::SelectedSet = k;
        });
        trap.at(104, [&] { WriteSetting(QStringLiteral("SelectedSet"), QString::number(k)); });
    }
    trap.at(106, [&] {
        if (!loaded) Deckwork::ReadSets();
        FillTheList(lists);
    });
    trap.at(110, [&] { showSets(lists); });
}

void ShowFilesAsTheyAre(Lists& lists) {
    look::Trap trap("Form3.FolderChanged");
    trap.at(100, [&] {
        if (!Deckwork::FollowSets()) return;
        showSets(lists);
        FillTheList(lists);
    });
    trap.at(102, [&] {
        const int k = lists.selectedCard();
        if (!Deckwork::FollowSetFile()) return;
        FillTheList(lists);
        lists.selectCard(k);
    });
}

void CreateNewSet(Lists& lists) {
    look::Trap trap("Form3.PushButton6_Click");
    QString t1, t2;
    if (!askTopics(trap, 100, t1, t2)) return;
    QString name, setLine, refusal;
    trap.at(106, [&] {
        name = Main::MakeSetFileName(t1 + t2);
        setLine = t1 + QLatin1Char('|') + t2 + QLatin1Char('|') + name;
    });
    // The list is checked and changed as it is now, with no other writer in between.
    std::optional<Main::Lock> lock;
    int listed = 0;
    trap.at(108, [&] {
        lock.emplace();
        refusal = RefuseTopics(t1, t2, currentSets());
        if (!refusal.isEmpty()) return;
        Main::EditFileFSO(setsPath(), setLine, {}, true, false, false, false);
        // The rewrite reports its own failure; a set that is not in the list is not made.
        const QStringList lines = Main::ReadFileToStringFSOLine(setsPath());
        if (lines.size() > 1 && lines.last() == setLine) listed = int(lines.size()) - 1;
    });
    if (!refusal.isEmpty()) {
        lock.reset();
        trap.at(122, [&] { tell(refusal); });
        return;
    }
    if (listed < 1) return;
    bool made = false;
    trap.at(110, [&] {
        const QString file = Main::ProgramFile(name), header = t1 + QLatin1Char('|') + t2;
        Main::EditFileFSO(file, header, {}, true, false, false, true);
        made =
            QFileInfo(file).isFile() && Main::ReadFileToStringFSOLine(file) == QStringList(header);
    });
    // A set whose file could not be made leaves the list of sets and the set in hand as they were.
    if (!made) {
        trap.at(124, [&] { Main::EditLineAt(setsPath(), listed, setLine, {}, true); });
        return;
    }
    lock.reset();
    putInHand(trap, 112, lists, listed);
}

void ImportSet(Lists& lists, const QString& dropped) {
    look::Trap trap(dropped.isEmpty() ? "Form3.mnuImport_Click" : "Form3.ListView2_OLEDragDrop");
    QString path = dropped;
    trap.at(100, [&] {
        if (path.isEmpty())
            path = look::dialogs().chooseFile(QStringLiteral("Import Cards From File"), {}, false);
    });
    if (path.isEmpty()) return;
    exchange::Reading reading;
    bool read = false;
    trap.at(102, [&] { read = ReadCardList(path, reading); });
    if (!read) return;
    // A set for each deck that holds cards; the last one made is put in hand.
    int listed = 0, imported = 0, sets = 0;
    bool declined = false, failed = false;
    for (exchange::Deck& deck : reading.decks) {
        if (deck.rows.isEmpty()) continue;
        bool proposed = false;
        trap.at(104, [&] {
            if (deck.side1Topic.isEmpty() ||
                !RefuseTopics(deck.side1Topic, deck.side2Topic).isEmpty())
                return;
            const QString topics = QStringLiteral("\"") + deck.side1Topic +
                                   QStringLiteral("\" and \"") + deck.side2Topic +
                                   QStringLiteral("\"");
            proposed = look::dialogs().question(
                deck.topicsInFirstRow
                    ? QStringLiteral("Use the first row, ") + topics +
                          QStringLiteral(", as the topics of the new set? With No you type the "
                                         "topics, and the first row stays a card.")
                    : QStringLiteral("Make a set of the deck \"") + deck.name +
                          QStringLiteral("\" with the topics ") + topics +
                          QStringLiteral("? With No you type the topics."),
                look::applicationTitle());
        });
        QString t1, t2;
        if (proposed) {
            t1 = deck.side1Topic, t2 = deck.side2Topic;
            if (deck.topicsInFirstRow) deck.rows.removeFirst();
        } else if (!askTopics(trap, 106, t1, t2)) {
            declined = true;
            continue;
        }
        if (deck.rows.isEmpty()) continue;
        // The topics are checked again as the list is now, which another copy may have changed.
        int made = 0;
        QString refusal;
        if (!trap.at(116, [&] { made = AddSet(t1, t2, deck.rows.cardLines(), &refusal); }) ||
            !made) {
            if (!refusal.isEmpty()) trap.at(130, [&] { tell(refusal); });
            failed = true;
            continue;
        }
        listed = made;
        imported += int(deck.rows.size()), ++sets;
    }
    if (sets == 0) {
        if (!declined && !failed)
            trap.at(114, [&] { NoCards(path, reading, QStringLiteral("No set was created.")); });
        return;
    }
    putInHand(trap, 118, lists, listed);
    trap.at(128, [&] { tell(exchange::ImportReport(reading, imported, sets)); });
}

int AddSet(const QString& side1, const QString& side2, QByteArrayView cards, QString* refusal) {
    const Main::Lock lock;
    QStringList lines = currentSets();
    const QString why = RefuseTopics(side1, side2, lines);
    if (!why.isEmpty()) {
        if (refusal) *refusal = why;
        return 0;
    }
    const QString name = Main::MakeSetFileName(side1 + side2), file = Main::ProgramFile(name);
    const QString header = side1 + QLatin1Char('|') + side2;
    const QString setLine = header + QLatin1Char('|') + name;
    // The cards wait beside their place until the set's line names them, so that a cut before
    // leaves no set at all; ReadSets puts them in place should a cut come right after.
    Main::WriteUtf8(Main::PartFile(file), {(header + QLatin1String("\r\n")).toUtf8(), cards});
    bool listed = false;
    try {
        Main::WriteLines(setsPath(), lines << setLine);
        listed = true;
        Main::FinishSetFile(file);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        try {  // the list as it was
            if (!listed || Main::EditLineAt(setsPath(), int(lines.size()) - 1, setLine, {}, true))
                QFile::remove(Main::PartFile(file));
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
    return int(lines.size()) - 1;
}

QByteArray ExportedSet(int k, const QString& fileName, int* count) {
    if (k < 1 || k >= Deckwork::SetLines.size())
        throw look::Failure(look::failures::SubscriptOutOfRange);
    const QStringList fields = Deckwork::SetLines[k].split(QLatin1Char('|'));
    if (!Main::IsOwnSetFileName(fields.value(2))) throw look::Failure(look::failures::BadFileName);
    QString file = Main::ProgramFile(fields.value(2));
    // The installed set's own file is made at the first start; until then it has the installed
    // cards.
    if (k == 1 && !Main::FileExists(file))
        file = Main::InstalledFile(QStringLiteral("default.dat"));
    codec::Lines lines;
    if (Main::FileExists(file)) lines = codec::Lines(Main::ReadBytes(file));
    QVector<exchange::Row> cards;
    for (const Entry& entry : CardEntries(lines)) cards.append({entry.text, entry.subItem});
    if (count) *count = int(cards.size());
    return exchange::WriteCards(TrimBlanks(fields.value(0)), TrimBlanks(fields.value(1)), cards,
                                fileName);
}

void ExportSet(Lists& lists) {
    look::Trap trap("Form3.mnuExport_Click");
    int k = 0;
    QString path;
    trap.at(100, [&] {
        k = lists.selectedSet();
        k = k < 1 ? Deckwork::SelectedSet : findListed(lists, k);
        // The set is written as its file is now, from the list as it is now.
        Deckwork::FollowSets();
        showSets(lists);
    });
    trap.at(102, [&] {
        const QString own =
            QFileInfo(fileOfSetLine(Deckwork::SetLines.value(k))).completeBaseName();
        path = look::dialogs().chooseFile(QStringLiteral("Export Set To File"),
                                          own + QStringLiteral(".csv"), true);
    });
    if (path.isEmpty()) return;
    QString refusal;
    trap.at(104, [&] {
        refusal = exchange::IsWritableFileName(path) ? RefuseExportTarget(path) : kListNames;
        if (!refusal.isEmpty()) tell(refusal);
    });
    if (refusal.isEmpty()) trap.at(106, [&] { Main::WriteBytes(path, ExportedSet(k, path)); });
}

void DeleteSelectedSet(Lists& lists) {
    look::Trap trap("Form3.PushButton7_Click");
    int k = 0;
    QString p1, p2, setLine, name;
    trap.at(100, [&] {
        k = lists.selectedSet();
        if (k < 1) return;
        const QStringList parts = lists.sets.entry(k).text.split(QLatin1Char('/'));
        p1 = TrimBlanks(parts.value(0));
        p2 = TrimBlanks(parts.value(1));
    });
    // The installed set stays.
    if (k < 2) return;
    bool yes = false;
    trap.at(104, [&] {
        yes = look::dialogs().question(QStringLiteral("Are you sure you want to delete ") + p1 +
                                           QLatin1Char('/') + p2 + QStringLiteral(" set?"),
                                       look::applicationTitle());
    });
    if (!yes) return;
    // The line as the list shows it, removed as it stands in the file: one rebuilt from the
    // entry's text would miss a line with blanks around its fields.
    trap.at(106, [&] {
        setLine = lists.sets.entry(k).stored;
        name = field(setLine, 2);
    });
    if (p1.isEmpty() || p2.isEmpty()) return;
    // Decided from sets.dat as it is now, with no other writer in between.
    std::optional<Main::Lock> lock;
    bool read = false, there = false, unlisted = false;
    QStringList remaining;
    trap.at(110, [&] {
        lock.emplace();
        there = currentSets().indexOf(setLine, 1) > 0;
        read = true;
        if (!there) return;
        Main::EditFileFSO(setsPath(), {}, setLine, false, false, true, false);
        remaining = Main::ReadFileToStringFSOLine(setsPath());
        // A set whose line stays keeps its cards.
        unlisted = !remaining.mid(1).contains(setLine);
    });
    if (read && !there) {
        lock.reset();
        trap.at(124, [&] {
            tell(QStringLiteral("The set \"") + p1 + QLatin1Char('/') + p2 +
                 QStringLiteral("\" is no longer in the list of sets, because the list has "
                                "changed meanwhile. Nothing was deleted. The list now shows the "
                                "sets as they are."));
            Deckwork::FollowSets();
            showSets(lists);
            FillTheList(lists);
        });
        return;
    }
    if (!unlisted) return;
    // A file that another line still names stays.
    trap.at(112, [&] {
        if (Main::IsOwnSetFileName(name) && !named(remaining, name))
            Main::RemoveFile(Main::ProgramFile(name));
    });
    lock.reset();
    trap.at(114, [&] { Deckwork::SelectedSet = int(remaining.size()) - 1; });
    trap.at(116, [&] { loadSet(lists); });
    trap.at(118, [&] {
        WriteSetting(QStringLiteral("SelectedSet"), QString::number(lists.sets.count()));
    });
    trap.at(120, [&] { lists.selectSet(lists.sets.count()); });
    trap.at(122, [&] { lists.NewSetSelected = false; });
}

void RestoreInstalledSets(Lists& lists) {
    look::Trap trap("Form3.PushButton4_Click");
    bool yes = false;
    trap.at(100, [&] {
        yes = look::dialogs().question(
            QStringLiteral("Warning: \r\nThis will delete all custom card sets \r\nand any changes "
                           "you've made to States/Capitals\r\nso that the flashcards will appear "
                           "as they were when you first installed this software. \r\nWould you "
                           "like to proceed?"),
            look::applicationTitle());
    });
    if (!yes) return;
    const QString installedSets = Main::InstalledFile(QStringLiteral("default-sets.dat"));
    const QString installedCards = Main::InstalledFile(QStringLiteral("default.dat"));
    // Nothing of the user's goes unless the installed files are there to take its place, and no
    // other writer comes in between.
    std::optional<Main::Lock> lock;
    const bool installed = trap.at(114, [&] {
        lock.emplace();
        Main::ReadBytes(installedSets);
        Main::ReadBytes(installedCards);
    });
    if (!installed) return;
    QStringList old;
    trap.at(102, [&] { old = Main::ReadFileToStringFSOLine(setsPath()); });
    // The copies replace the files whole, so the old ones are never deleted first; the user's
    // sets lose their files only once the list no longer names them.
    const bool replaced = trap.at(104, [&] { Main::CopyFile(installedSets, setsPath()); });
    if (replaced) {
        trap.at(102, [&] {
            const QString kept = fileOfSetLine(old.value(1));
            for (int i = 2; i < old.size(); ++i) {
                const QString name = fileOfSetLine(old[i]);
                if (Main::IsOwnSetFileName(name) && name != kept)
                    Main::RemoveFile(Main::ProgramFile(name));
            }
        });
    }
    trap.at(106, [&] {
        Main::CopyFile(installedCards, Main::ProgramFile(QStringLiteral("in-use.dat")));
    });
    // The installed set keeps its cards in a file of its own; it gets the installed cards back.
    trap.at(116, [&] {
        if (!Main::FileExists(setsPath())) return;
        const QString name = fileOfSetLine(Main::ReadFileToStringFSOLine(setsPath()).value(1));
        if (Main::IsOwnSetFileName(name)) Main::CopyFile(installedCards, Main::ProgramFile(name));
    });
    lock.reset();
    trap.at(108, [&] {
        Deckwork::SelectedSet = 1;
        WriteSetting(QStringLiteral("SelectedSet"), QStringLiteral("1"));
    });
    trap.at(110, [&] { lists.NewSetSelected = false; });
    trap.at(112, [&] { loadSet(lists); });
}

}  // namespace editor
