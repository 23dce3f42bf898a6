#pragma once

#include "Import.h"
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
// A file dropped on the card list: its rows added to the set in hand.
void ImportCards(Lists& lists, const QString& path);

// Removes leading and trailing blanks; tabs and other white space stay.
QString TrimBlanks(QStringView text);
// The entries for the lines of a working copy: the header line and lines without "|" are left
// out, each side trimmed, fields after the second ignored. With `sidesToCome`, each entry's
// sides are left to be taken from its line when asked for (see Entry).
QVector<Entry> CardEntries(const codec::Lines& lines, bool sidesToCome = false);
// The entry of card line `stored`, line `index` of its file, which holds a "|".
Entry CardEntry(const QString& stored, int index);
// Why a card with these (trimmed) sides is refused, or an empty text when it is fine.
QString RefuseCard(const QString& side1, const QString& side2);
// Why the cards of the set in hand cannot be changed (its line names no card file of its own,
// or its file cannot be read and written), or an empty text when they can. A card change goes to
// the set's own file as it is now; the working copy is then made from that file.
QString RefuseCardChange();

// The decks of the file `path`, whatever its format; false, with the reason shown, when it cannot
// be read at all. Throws look::Failure when it cannot be read.
bool ReadCardList(const QString& path, exchange::Reading& reading);
// Says that the file `path` gave no card, and what came of it (`outcome`).
void NoCards(const QString& path, const exchange::Reading& reading, const QString& outcome);
// The card lines of rows.
QStringList CardLinesOf(const exchange::Rows& rows);

}  // namespace editor
