#pragma once

#include <QString>

namespace editor {

class Lists;

// The set list and the set operations of the card editor. Each reports its failures under the
// editor's procedure that runs it and goes on with its next step.

// Rebuilds the set list from SetLines: entry k shows set line k as "Side 1/Side 2".
void FillTheSets(Lists& lists);
// A click in the set list: the highlighted set becomes the set in hand.
void PickSet(Lists& lists);
// "Create New Set".
void CreateNewSet(Lists& lists);
// "Delete Selected Set".
void DeleteSelectedSet(Lists& lists);
// "Go Back To Default Flashcards".
void RestoreInstalledSets(Lists& lists);

// True for the name of a set's own card file: a bare name in the card folder and none of the
// program's four fixed files, which a set operation must never overwrite or delete.
bool IsOwnSetFileName(const QString& name);

// Why the topics of a new set are refused, or an empty text when they are fine.
QString RefuseTopics(const QString& side1, const QString& side2);

}  // namespace editor
