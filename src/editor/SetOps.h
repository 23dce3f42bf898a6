#pragma once

#include "CurrentSet.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace editor {

class Lists;

// The set list and the set operations of the card editor. Each reports its failures under the
// editor's procedure that runs it and goes on with its next step.

// Rebuilds the set list from SetLines: entry k shows set line k as "Side 1/Side 2".
void FillTheSets(Lists& lists);
// A click in the set list: the highlighted set becomes the set in hand.
void PickSet(Lists& lists);
// After another program changed the card folder: the set list shows sets.dat as it is now (the
// set in hand stays in hand), and the card list the set's file as it is now.
void ShowFilesAsTheyAre(Lists& lists);
// "Create New Set".
void CreateNewSet(Lists& lists);
// "Delete Selected Set".
void DeleteSelectedSet(Lists& lists);
// "Go Back To Default Flashcards".
void RestoreInstalledSets(Lists& lists);
// "Import Cards From File…" (the file is asked for), or a file dropped on the set list: a new set
// for each deck of the file that holds cards (a list is one), the last one put in hand. Its
// topics are those the file proposes (a list's first row) when the user takes them.
void ImportSet(Lists& lists, const QString& dropped = {});
// "Export Set To File…": the highlighted set, or else the set in hand, to a file asked for.
void ExportSet(Lists& lists);

// Makes a new set of `cards` (card lines in UTF-8, CR LF after each) and returns its line in the
// list of sets; under the card folder's lock, from sets.dat as it is now. Topics that RefuseTopics
// refuses there make nothing and give 0, with the reason in `refusal`. Throws look::Failure,
// leaving the list and the files as they were; a process killed on the way leaves the set whole or
// not there.
int AddSet(const QString& side1, const QString& side2, QByteArrayView cards,
           QString* refusal = nullptr);
// Set k of SetLines written for `fileName` (exchange::WriteCards); `count` gets its number of
// cards. Reads the set's file and nothing else. Throws look::Failure.
QByteArray ExportedSet(int k, const QString& fileName, int* count = nullptr);

// Why the topics of a new set are refused, given the lines of sets.dat, or an empty text when
// they are fine.
QString RefuseTopics(const QString& side1, const QString& side2,
                     const QStringList& sets = Deckwork::SetLines);
// Why an export may not write `path`, or an empty text: only a new file or a plain one outside
// the card folder (links followed) is written.
QString RefuseExportTarget(const QString& path);

}  // namespace editor
