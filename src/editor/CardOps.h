#pragma once

#include "ListModel.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace editor {

class Lists;

// The card list and the card operations of the card editor. Each reports its failures under the
// editor's procedure that runs it and goes on with its next step.

// Rebuilds the card list from the working copy, titled with the topics of the set in hand.
void FillTheList(Lists& lists);
// "Add Card".
void AddCard(Lists& lists);
// "Edit Selected Entry".
void EditSelectedEntry(Lists& lists);
// "Delete Selected Entry".
void DeleteSelectedEntry(Lists& lists);

// Removes leading and trailing blanks; tabs and other white space stay.
QString TrimBlanks(QStringView text);
// The entries for the lines of a working copy: the header line and lines without "|" are left
// out, each side trimmed, fields after the second ignored.
QVector<Entry> CardEntries(const QStringList& lines);
// Why a card with these (trimmed) sides is refused, or an empty text when it is fine.
QString RefuseCard(const QString& side1, const QString& side2);
// Copies the working copy over the set's own file, unless the set in hand has none (its cards
// are the installed ones): a card the user changed must survive the next loading of the set.
void KeepInSetFile();

}  // namespace editor
