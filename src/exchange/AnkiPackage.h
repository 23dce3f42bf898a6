#pragma once

#include "Import.h"

#include <QByteArray>
#include <QStringList>

// Anki's deck packages (.apkg) and collection packages (.colpkg): a ZIP archive holding the
// collection, a SQLite database, in one of three layouts.
namespace exchange::anki {

// True for the member names of a package: the archive holds a collection.
bool IsPackage(const QStringList& members);
// The decks of a package, each with its cards and the names of its main note type's first two
// fields as its topics. The collection is unpacked to a private temporary copy, removed again.
// Throws Unreadable, or look::Failure when the temporary folder fails.
Reading ReadPackage(const QByteArray& bytes);
// A package in the legacy layout (collection.anki2, schema 11, no media) holding one deck named
// after the topics, one note type with a field per topic, one note and one new card per card.
QByteArray WritePackage(const QString& side1Topic, const QString& side2Topic,
                        const QVector<Row>& cards);

}  // namespace exchange::anki
