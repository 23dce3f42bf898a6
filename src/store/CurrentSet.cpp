#include "CurrentSet.h"

#include "Codec.h"
#include "Failure.h"
#include "Files.h"
#include "Lock.h"
#include "Settings.h"
#include "Trap.h"

namespace Deckwork {
namespace {

SetTextsView* textsView = nullptr;

// sets.dat as SetLines was read from it.
Main::FileStamp listStamp;

// What the working copy was last made from: the set's file (none when empty) and header, and
// the two files as they were then.
struct Made {
    bool known = false;
    QString setFile, header;
    Main::FileStamp set, inUse;
} made;

QString field(const QStringList& fields, int i) {
    if (i >= fields.size()) throw look::Failure(look::failures::SubscriptOutOfRange);
    return fields[i];
}

QString setsPath() { return Main::ProgramFile(QStringLiteral("sets.dat")); }

QString header() { return Side1Topic + QLatin1Char('|') + Side2Topic; }

}  // namespace

void SetSetTextsView(SetTextsView* view) { textsView = view; }

SetTexts DescribeSet(const QString& side1, const QString& side2) {
    const QString pair = side1 + QLatin1Char('/') + side2;
    return {QStringLiteral("You have the ") + pair +
                QStringLiteral(" set of flashcards in your hand. ") +
                QStringLiteral("Click the 'Edit Cards' button to pick up another set of "
                               "flashcards, ") +
                QStringLiteral("make a your own set of flashcards or add/remove flashcards "
                               "to/from this ") +
                pair + QStringLiteral(" set."),
            QStringLiteral("Show ") + side1 + QStringLiteral(" first and then flip to ") + side2,
            QStringLiteral("Show ") + side2 + QStringLiteral(" first and then flip to ") + side1};
}

void ReadSets() {
    look::Trap trap("Deckwork.ReadSets");
    trap.at(100, [] {
        listStamp = Main::StampOf(setsPath());  // before reading: a change meanwhile shows later
        SetLines = Main::ReadFileToStringFSOLine(setsPath());
    });
    // A choice beyond the list (or below it) takes the installed set, which the editor then
    // highlights too: one set in hand, wherever it is named.
    trap.at(102, [&] {
        Side1Topic = QStringLiteral("States");
        Side2Topic = QStringLiteral("Capitals");
        SetFilePath = Main::InstalledFile(QStringLiteral("default.dat"));
        if (SetLines.size() > 1 && (SelectedSet < 1 || SelectedSet >= SetLines.size()))
            SelectedSet = 1;
    });
    if (SelectedSet >= 1 && SelectedSet < SetLines.size()) {
        // A line without a card file of its own has no cards in hand, never the installed ones.
        SetFilePath.clear();
        QStringList fields;
        trap.at(104, [&] { fields = SetLines[SelectedSet].split(QLatin1Char('|')); });
        trap.at(106, [&] { Side1Topic = field(fields, 0); });
        trap.at(108, [&] { Side2Topic = field(fields, 1); });
        trap.at(110, [&] {
            const QString name = field(fields, 2);
            // A hand-edited list must never lead the program to a file outside the card folder,
            // nor to one of the program's own files.
            if (!Main::IsOwnSetFileName(name)) throw look::Failure(look::failures::BadFileName);
            SetFilePath = Main::ProgramFile(name);
        });
    }
    trap.at(112, [] { MakeWorkingCopy(); });
    const SetTexts texts = DescribeSet(Side1Topic, Side2Topic);
    trap.at(114, [&] {
        if (textsView) textsView->showSetTexts(texts);
    });
}

void MakeWorkingCopy() {
    Main::Lock lock;
    if (!SetFilePath.isEmpty()) Main::FinishSetFile(SetFilePath);
    const Main::FileStamp set = Main::StampOf(SetFilePath);
    const bool cards = !SetFilePath.isEmpty() && set.exists;
    const auto record = [&] {
        made = {true, SetFilePath, header(), set, Main::StampOf(InUsePath)};
    };
    try {
        if (cards)
            Main::CopyFile(SetFilePath, InUsePath);
        else
            Main::WriteLines(InUsePath, {header()});
    } catch (...) {
        made = Made();
        // A set whose file cannot be read has no cards in hand, never those of the set before.
        if (cards) {
            try {
                Main::WriteLines(InUsePath, {header()});
                record();
            } catch (...) {
            }
        }
        throw;
    }
    record();
}

bool FollowSetFile() {
    if (!made.known ||
        (made.setFile == SetFilePath && made.header == header() &&
         made.set == Main::StampOf(SetFilePath) && made.inUse == Main::StampOf(InUsePath)))
        return false;
    MakeWorkingCopy();
    return true;
}

bool FollowSets() {
    if (Main::StampOf(setsPath()) == listStamp) return false;
    const QString inHand = SetLines.value(SelectedSet);
    QStringList lines;
    try {
        lines = codec::splitLines(codec::decode(Main::ReadBytes(setsPath())));
    } catch (const look::Failure&) {
        // ReadSets says why.
    }
    // The set in hand stays in hand wherever its line has gone; the next start takes it too.
    if (SelectedSet >= 1 && lines.value(SelectedSet) != inHand && lines.indexOf(inHand, 1) > 0) {
        SelectedSet = int(lines.indexOf(inHand, 1));
        WriteSetting(QStringLiteral("SelectedSet"), QString::number(SelectedSet));
    }
    ReadSets();
    return true;
}

void LoadInUseCardsAhead() { Main::ReadKeptLinesAhead(InUsePath); }

void LoadInUseCards() {
    try {
        FollowSetFile();
    } catch (...) {
        CardLines = codec::Lines{header()};  // no cards rather than another set's
        throw;
    }
    // A new session over an unchanged working copy takes the lines read for the last one.
    CardLines = Main::ReadKeptLines(InUsePath);
    const int upper = int(CardLines.size()) - 1;
    if (upper > 0) CardCount = upper;
}

}  // namespace Deckwork
