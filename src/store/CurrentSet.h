#pragma once

#include "Codec.h"

#include <QString>
#include <QStringList>

// The set in hand, shared by the whole program.
namespace Deckwork {

inline QString InUsePath;     // the working copy, in-use.dat
inline QString SetFilePath;   // the selected set's own card file
inline int SelectedSet = 0;   // line of the selected set in sets.dat; 1 is the installed set
inline QStringList SetLines;  // the lines of sets.dat, header included
inline QString Side1Topic;
inline QString Side2Topic;
inline codec::Lines CardLines;  // the lines of the working copy, header included
inline int CardCount = 0;

// The main-window texts that describe the set in hand.
struct SetTexts {
    QString label3;   // the description above "Edit Cards"
    QString option5;  // "Show <Side 1> first and then flip to <Side 2>"
    QString option6;  // "Show <Side 2> first and then flip to <Side 1>"
};

// Whatever shows the set's texts (the main window); ReadSets hands them over.
class SetTextsView {
public:
    virtual ~SetTextsView() = default;
    virtual void showSetTexts(const SetTexts& texts) = 0;
};
void SetSetTextsView(SetTextsView* view);

// The texts for the topics, exactly as the main window shows them.
SetTexts DescribeSet(const QString& side1, const QString& side2);

// Loads set SelectedSet (the installed set, 1, when the list has no such line): its topics and
// file from sets.dat, its cards into the working copy (only its header when its file is missing
// or unreadable, or when its line names no file of its own: SetFilePath is then empty), and its
// description into the main window.
void ReadSets();
// Makes the working copy, under the card folder's lock, of the set in hand's file as it is now
// (its header alone when it has none). Throws look::Failure, leaving the working copy without
// cards.
void MakeWorkingCopy();
// MakeWorkingCopy unless the working copy holds the set's file as it is now, told by both files'
// stamps: a sync tool or another copy of the program may have replaced either. True when it
// was made again. Throws look::Failure.
bool FollowSetFile();
// ReadSets again when sets.dat has changed since SetLines was read. The set in hand stays in
// hand wherever its line has gone (SelectedSet follows it, and is stored); true when anything
// was read. Throws look::Failure when the new choice cannot be stored.
bool FollowSets();
// FollowSetFile, then reads the working copy into CardLines and CardCount. Throws look::Failure.
void LoadInUseCards();
// Starts reading the working copy on another thread, for LoadInUseCards to take if it has not
// changed meanwhile.
void LoadInUseCardsAhead();

}  // namespace Deckwork
