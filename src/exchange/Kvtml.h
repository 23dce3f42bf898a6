#pragma once

#include "Import.h"

#include <QByteArray>

// KVTML, the vocabulary files of KDE's KWordQuiz and Parley: XML, version 2.0 or the older 1.0.
namespace exchange::kvtml {

// True when the bytes are XML whose root element is <kvtml>.
bool IsKvtml(const QByteArray& bytes);
// The entries of a KVTML file as one deck: Side 1 is translation 0, Side 2 translation 1, or
// translation 0's comment in a word list (a file of one identifier). Lessons and word types
// only refer to entries. The text is plain, not HTML; the topics are the identifiers' names.
// Throws Unreadable.
Reading ReadKvtml(const QByteArray& bytes);
// A KVTML 2.0 file of the cards: two identifiers named after the topics, an entry for each card
// and one lesson that holds them all, in UTF-8.
QByteArray WriteKvtml(const QString& side1Topic, const QString& side2Topic,
                      const QVector<Row>& cards);

}  // namespace exchange::kvtml
