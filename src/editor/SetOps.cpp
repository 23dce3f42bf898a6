#include "SetOps.h"

#include "CardOps.h"
#include "Codec.h"
#include "CurrentSet.h"
#include "Dialogs.h"
#include "Failure.h"
#include "Files.h"
#include "Lists.h"
#include "Settings.h"
#include "Trap.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace editor {
namespace {

const char* const kFixedFiles[] = {"sets.dat", "default-sets.dat", "default.dat", "in-use.dat"};

// Field i of a line split at "|"; throws like an index beyond the fields.
QString field(const QString& line, int i) {
    const QStringList fields = line.split(QLatin1Char('|'));
    if (i >= fields.size()) throw look::Failure(look::failures::SubscriptOutOfRange);
    return fields[i];
}

bool isFixedFile(const QString& name) {
    for (const char* fixed : kFixedFiles)
        if (name.compare(QLatin1String(fixed), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// The card file named by a set line, or an empty text when it names none.
QString fileOfSetLine(const QString& line) { return line.split(QLatin1Char('|')).value(2); }

// A list of sets that has gone, or that is no file, is not begun afresh by a rewrite: the header
// and the installed set would be lost with it.
void requireListOfSets(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile()) look::throwFileFailure(file.exists() ? EISDIR : ENOENT);
}

void loadSet(Lists& lists) {
    Deckwork::ReadSets();
    FillTheSets(lists);
    FillTheList(lists);
}

// The two topics of a new set asked for, trimmed and checked: false when the user gave no pair
// or it is refused (which is said). Statements `first` to `first` + 6.
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
    if (!go) return false;
    go = false;
    trap.at(first + 6, [&] {
        const QString refusal = RefuseTopics(t1, t2);
        if (!refusal.isEmpty()) look::dialogs().notice(refusal, title);
        go = refusal.isEmpty();
    });
    return go;
}

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

bool IsOwnSetFileName(const QString& name) {
    return Main::IsBareFileName(name) && !isFixedFile(name);
}

QString RefuseTopics(const QString& side1, const QString& side2) {
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
    bool taken = isFixedFile(name) || Main::FileExists(Main::ProgramFile(name));
    for (int i = 1; i < Deckwork::SetLines.size(); ++i)
        if (fileOfSetLine(Deckwork::SetLines[i]).compare(name, Qt::CaseInsensitive) == 0)
            taken = true;
    if (taken)
        return QStringLiteral("The topics \"") + side1 + QStringLiteral("\" and \"") + side2 +
               QStringLiteral("\" would store the set in the file \"") + name +
               QStringLiteral(
                   "\", which is already in use. Please choose other topics. "
                   "No set was created.");
    return {};
}

void FillTheSets(Lists& lists) {
    look::Trap trap("Form3.FillTheSets");
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
    if (k > 0) {
        trap.at(102, [&] {
            if (k != Deckwork::SelectedSet) lists.NewSetSelected = false;
            Deckwork::SelectedSet = k;
        });
        trap.at(104, [&] { WriteSetting(QStringLiteral("SelectedSet"), QString::number(k)); });
    }
    trap.at(106, [&] {
        Deckwork::ReadSets();
        FillTheList(lists);
    });
}

void CreateNewSet(Lists& lists) {
    look::Trap trap("Form3.PushButton6_Click");
    QString t1, t2;
    if (!askTopics(trap, 100, t1, t2)) return;
    const QString name = Main::MakeSetFileName(t1 + t2);
    const QString setLine = t1 + QLatin1Char('|') + t2 + QLatin1Char('|') + name;
    const QString sets = Main::ProgramFile(QStringLiteral("sets.dat"));
    int listed = 0;
    trap.at(108, [&] {
        requireListOfSets(sets);
        Main::EditFileFSO(sets, setLine, {}, true, false, false, false);
        // The rewrite reports its own failure; a set that is not in the list is not made.
        const QStringList lines = Main::ReadFileToStringFSOLine(sets);
        if (lines.size() > 1 && lines.last() == setLine) listed = int(lines.size()) - 1;
    });
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
        trap.at(112, [&] { Main::EditLineAt(sets, listed, setLine, {}, true); });
        return;
    }
    putInHand(trap, 114, lists, listed);
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
        if (!trap.at(116, [&] { listed = AddSet(t1, t2, CardLinesOf(deck.rows)); })) {
            failed = true;
            continue;
        }
        imported += int(deck.rows.size()), ++sets;
    }
    if (sets == 0) {
        if (!declined && !failed)
            trap.at(114, [&] { NoCards(path, reading, QStringLiteral("No set was created.")); });
        return;
    }
    putInHand(trap, 118, lists, listed);
    trap.at(128, [&] {
        look::dialogs().notice(exchange::ImportReport(reading, imported, sets),
                               look::applicationTitle());
    });
}

int AddSet(const QString& side1, const QString& side2, const QStringList& cards) {
    const QString sets = Main::ProgramFile(QStringLiteral("sets.dat"));
    requireListOfSets(sets);
    QStringList lines = codec::splitLines(codec::decode(Main::ReadBytes(sets)));
    const QString name = Main::MakeSetFileName(side1 + side2), file = Main::ProgramFile(name);
    const QString header = side1 + QLatin1Char('|') + side2;
    const QString setLine = header + QLatin1Char('|') + name;
    // The cards wait beside their place until the set's line names them, so that a cut before
    // leaves no set at all; ReadSets puts them in place should a cut come right after.
    Main::WriteLines(Main::PartFile(file), QStringList(header) + cards);
    bool listed = false;
    try {
        Main::WriteLines(sets, lines << setLine);
        listed = true;
        Main::FinishSetFile(file);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        try {  // the list as it was
            if (!listed || Main::EditLineAt(sets, int(lines.size()) - 1, setLine, {}, true))
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
    if (!Main::IsBareFileName(fields.value(2))) throw look::Failure(look::failures::BadFileName);
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
        if (k < 1) k = Deckwork::SelectedSet;
    });
    trap.at(102, [&] {
        const QString own =
            QFileInfo(fileOfSetLine(Deckwork::SetLines.value(k))).completeBaseName();
        path = look::dialogs().chooseFile(QStringLiteral("Export Set To File"),
                                          own + QStringLiteral(".csv"), true);
    });
    if (path.isEmpty()) return;
    bool named = false;
    trap.at(104, [&] {
        named = exchange::IsWritableFileName(path);
        if (!named) look::dialogs().notice(kListNames, look::applicationTitle());
    });
    if (named) trap.at(106, [&] { Main::WriteBytes(path, ExportedSet(k, path)); });
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
    trap.at(106, [&] {
        setLine = Deckwork::SetLines.value(k);
        name = field(setLine, 2);
    });
    if (p1.isEmpty() || p2.isEmpty()) return;
    // The line is removed as it stands in the file: one rebuilt from the list would miss a line
    // with blanks around its fields, and the set's file would go while its line stayed.
    bool unlisted = false;
    trap.at(110, [&] {
        const QString sets = Main::ProgramFile(QStringLiteral("sets.dat"));
        requireListOfSets(sets);
        Main::EditFileFSO(sets, {}, setLine, false, false, true, false);
        // A set whose line stays keeps its cards.
        unlisted = !Main::ReadFileToStringFSOLine(sets).contains(setLine);
    });
    if (!unlisted) return;
    trap.at(112, [&] {
        bool shared = false;
        for (int i = 1; i < Deckwork::SetLines.size(); ++i)
            if (i != k && fileOfSetLine(Deckwork::SetLines[i]) == name) shared = true;
        if (IsOwnSetFileName(name) && !shared) Main::RemoveFile(Main::ProgramFile(name));
    });
    trap.at(114, [&] { Deckwork::SelectedSet = lists.sets.count() - 1; });
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
    const QString sets = Main::ProgramFile(QStringLiteral("sets.dat"));
    // Nothing of the user's goes unless the installed files are there to take its place.
    const bool installed = trap.at(102, [&] {
        Main::ReadBytes(installedSets);
        Main::ReadBytes(installedCards);
    });
    if (!installed) return;
    QStringList old;
    trap.at(104, [&] { old = Main::ReadFileToStringFSOLine(sets); });
    // The copies replace the files whole, so the old ones are never deleted first; the user's
    // sets lose their files only once the list no longer names them.
    const bool replaced = trap.at(106, [&] { Main::CopyFile(installedSets, sets); });
    if (replaced) {
        trap.at(108, [&] {
            const QString kept = fileOfSetLine(old.value(1));
            for (int i = 2; i < old.size(); ++i) {
                const QString name = fileOfSetLine(old[i]);
                if (IsOwnSetFileName(name) && name != kept)
                    Main::RemoveFile(Main::ProgramFile(name));
            }
        });
    }
    trap.at(110, [&] {
        Main::CopyFile(installedCards, Main::ProgramFile(QStringLiteral("in-use.dat")));
    });
    // The installed set keeps its cards in a file of its own; it gets the installed cards back.
    trap.at(112, [&] {
        if (!Main::FileExists(sets)) return;
        const QString name = fileOfSetLine(Main::ReadFileToStringFSOLine(sets).value(1));
        if (IsOwnSetFileName(name)) Main::CopyFile(installedCards, Main::ProgramFile(name));
    });
    trap.at(114, [&] {
        Deckwork::SelectedSet = 1;
        WriteSetting(QStringLiteral("SelectedSet"), QStringLiteral("1"));
    });
    trap.at(116, [&] { lists.NewSetSelected = false; });
    trap.at(118, [&] { loadSet(lists); });
}

}  // namespace editor
