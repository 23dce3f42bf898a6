#include "CurrentSet.h"

#include "Failure.h"
#include "Files.h"
#include "Trap.h"

namespace Deckwork {
namespace {

SetTextsView* textsView = nullptr;

QString field(const QStringList& fields, int i) {
    if (i >= fields.size()) throw look::Failure(look::failures::SubscriptOutOfRange);
    return fields[i];
}

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
    trap.at(100, [] { SetLines = Main::ReadFileToStringFSOLine(Main::ProgramFile("sets.dat")); });
    const auto useDefaults = [] {
        Side1Topic = QStringLiteral("States");
        Side2Topic = QStringLiteral("Capitals");
        SetFilePath = Main::InstalledFile(QStringLiteral("default.dat"));
    };
    // A choice beyond the list (or below it) takes the installed set, which the editor then
    // highlights too: one set in hand, wherever it is named.
    trap.at(102, [&] {
        useDefaults();
        if (SetLines.size() > 1 && (SelectedSet < 1 || SelectedSet >= SetLines.size()))
            SelectedSet = 1;
    });
    if (SelectedSet >= 1 && SelectedSet < SetLines.size()) {
        QStringList fields;
        trap.at(104, [&] { fields = SetLines[SelectedSet].split(QLatin1Char('|')); });
        trap.at(106, [&] { Side1Topic = field(fields, 0); });
        trap.at(108, [&] { Side2Topic = field(fields, 1); });
        const bool named = trap.at(110, [&] {
            const QString name = field(fields, 2);
            // A hand-edited list must never lead the program to a file outside the card folder.
            if (!Main::IsBareFileName(name)) throw look::Failure(look::failures::BadFileName);
            SetFilePath = Main::ProgramFile(name);
        });
        if (!named && fields.size() > 2) useDefaults();
    }
    // A set whose file is missing is in hand with no cards, never with those of the set before.
    trap.at(112, [] {
        Main::FinishSetFile(SetFilePath);
        if (Main::FileExists(SetFilePath))
            Main::CopyFile(SetFilePath, InUsePath);
        else
            Main::WriteLines(InUsePath, {Side1Topic + QLatin1Char('|') + Side2Topic});
    });
    const SetTexts texts = DescribeSet(Side1Topic, Side2Topic);
    trap.at(114, [&] {
        if (textsView) textsView->showSetTexts(texts);
    });
}

void LoadInUseCardsAhead() { Main::ReadKeptLinesAhead(InUsePath); }

void LoadInUseCards() {
    // A new session over an unchanged working copy takes the lines read for the last one.
    CardLines = Main::ReadKeptLines(InUsePath);
    const int upper = int(CardLines.size()) - 1;
    if (upper > 0) CardCount = upper;
}

}  // namespace Deckwork
