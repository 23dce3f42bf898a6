#pragma once

#include "Import.h"

#include <QByteArray>
#include <QStringList>
#include <utility>

// Mnemosyne's card sets for sharing (.cards: a ZIP archive holding cards.xml and METADATA) and
// its own collection (default.db, SQLite).
namespace exchange {
class Archive;
}

namespace exchange::mnemosyne {

// True for the member names of a card set: the archive holds cards.xml.
bool IsCardSet(const QStringList& members);
// The cards of a card set, one deck named after its card_set_name. Each card of the built-in
// card types (front-to-back, both ways, vocabulary, cloze) is a row; cards of other types are
// left out and counted. Throws Unreadable.
Reading ReadCardSet(Archive& archive);
// The active cards of a Mnemosyne database, as Mnemosyne shows their questions and answers; or
// a Reading whose problem says that the database is of another kind. Read from a private
// temporary copy. Throws Unreadable, or look::Failure when the temporary folder fails.
Reading ReadDatabase(const QByteArray& bytes);

// Side 1 and Side 2 of cloze `index` (from 0) of a cloze text, "[word]" or "[word:hint]": the
// text with that cloze as "[hint]" or "[...]" and the others as their words, and the hidden
// word. Empty texts when the text has no such cloze.
std::pair<QString, QString> Cloze(const QString& text, int index);
// The number that a Python dict literal ("{'cloze': 'x', 'index': 2}") gives `key`, or -1.
int DictNumber(QStringView dict, QStringView key);

}  // namespace exchange::mnemosyne
