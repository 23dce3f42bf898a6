#pragma once

#include "Exchange.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>

class QXmlStreamReader;

// Cards in from any file the program reads, and out to any it writes. A reader of one format
// turns a file into a Reading; everything after that (topics asked for, sets made, the report)
// is the same for every format.
namespace exchange {

// What a file holds that no card can, counted for the report.
enum class LeftOut { Picture, Sound, Video, ImageOcclusionNote, UnknownCardType };

// One deck of the file: the cards of one set to be.
struct Deck {
    QString name;                    // the deck's name in its program ("Languages::German"), or
                                     // empty for a list, which is one deck
    QString side1Topic, side2Topic;  // the topics the file proposes, or empty texts
    bool topicsInFirstRow = false;   // the proposal is the first row: a card unless taken
    Rows rows;                       // in file order
    QVector<int> skipped;            // rows left out (a side empty or holding "|"): their lines,
                                     // or 0 for a card that has no line of its own
};

struct Omitted {
    int count = 0;
    int cards = 0;  // the cards they would have made, where that says more than the count
};

struct Reading {
    QVector<Deck> decks;  // each that holds rows is a set to be; a list gives one
    QMap<LeftOut, Omitted> leftOut;
    QString problem;  // why nothing can be read, phrased to follow the file's name ("is a
                      // spreadsheet workbook: save it as CSV first"); empty when it was read

    int rowCount() const;
    QVector<int> skipped() const;  // of every deck
};

// A reader stops on a file it cannot read with why (thrown), which becomes Reading::problem.
struct Unreadable {
    QString why;
};

// The limits on what one member of an archive may unpack to.
constexpr qint64 kMaxUnpacked = qint64(1) << 30;
constexpr qint64 kMaxRatio = 1000;

// XML from a stranger is read with QXmlStreamReader, which never fetches an external entity;
// this bounds what one entity may expand to.
void GuardXml(QXmlStreamReader& xml);
// "is not well-formed XML (line 3: …)", for a reader that has stopped with an error.
QString XmlError(const QXmlStreamReader& xml);

// True for a name that the editor takes when dropped: .csv, .tsv, .txt, .apkg, .colpkg, .cards,
// .db, .kvtml, and .gz (KVTML compressed).
bool IsReadableFileName(const QString& fileName);
// True for a name that a set can be written to: .csv, .tsv, .txt, .apkg or .kvtml.
bool IsWritableFileName(const QString& fileName);

// The cards of the file with these bytes, by what the bytes are; `fileName` only helps a list
// (see ReadTable). A file that is none of the formats read, and not text, is refused with what
// it looks like. Throws look::Failure only when memory or the temporary folder fails.
Reading ReadCards(const QByteArray& bytes, const QString& fileName);

// The set's cards for `fileName`, by its extension: a list (WriteTable), an Anki package or a
// KVTML file.
QByteArray WriteCards(const QString& side1Topic, const QString& side2Topic,
                      const QVector<Row>& cards, const QString& fileName);

// Decks whose proposed topics would name the same set file get the deck's own name (the last
// level of it, or the whole name where that is not enough) before their Side 1 topic.
void DistinguishTopics(QVector<Deck>& decks);

// "Imported 1,203 cards into 2 sets." with what was skipped and what was left out.
QString ImportReport(const Reading& reading, int imported, int sets);
// What was skipped and left out, each as a sentence after a blank, or an empty text.
QString OmissionReport(const Reading& reading);

}  // namespace exchange
