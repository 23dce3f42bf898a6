#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVector>

// Cards in and out of the plain-text lists that spreadsheets and other flashcard programs read
// and write: CSV (comma or semicolon) and tab-separated files. No widgets: the editor and the
// command line both use it.
namespace exchange {

struct Row {
    QString side1;
    QString side2;
    int line = 0;  // where the row starts in the file, counted from 1
};

// The rows read that make cards, kept as the card file will hold them ("Side 1|Side 2" and CR LF
// a row, in UTF-8) in one piece: a list of a million rows takes little more than its text.
class Rows {
public:
    // Adds a card; false, with nothing added, for sides that make none: one empty, or holding "|"
    // or a line break, which a card line cannot hold.
    bool add(QStringView side1, QStringView side2, int line);
    qsizetype size() const { return lines_.size() - first_; }
    bool isEmpty() const { return size() == 0; }
    Row at(qsizetype i) const;
    Row first() const { return at(0); }
    void removeFirst() { ++first_; }
    Rows& operator+=(const Rows& other);
    void reserve(qsizetype rows);
    // The card lines, each followed by CR LF, in UTF-8; valid while the rows are.
    QByteArrayView cardLines() const;
    QVector<Row> toVector() const;

private:
    QByteArray text_;
    QVector<qsizetype> starts_;  // where each row's line starts in the text
    QVector<int> lines_;         // where each row starts in its file
    qsizetype first_ = 0;        // the rows before it are taken out
};

struct Table {
    Rows rows;             // the rows that make cards, in file order
    QVector<int> skipped;  // the lines of rows left out: a side empty or holding "|"
    int firstLine = 0;     // the line of the file's first row; 0 when it has none
    QString problem;       // why the file cannot be read as a list at all, or an empty text
    bool titled = false;   // a KWordQuiz list, which names its vocabulary and not its columns
    QString title;

    // True when the file's first row made a card, so that it can name the topics instead.
    bool firstRowIsCard() const {
        return !titled && !rows.isEmpty() && rows.first().line == firstLine;
    }
};

// True for a name ending in .csv, .tsv or .txt.
bool IsListFileName(const QString& fileName);

// The rows of a file named `fileName`: UTF-8 (with or without a byte-order mark) or else
// Windows-1252; the separator from a "#separator:" header line, the extension (.tsv: tab), or
// the content (comma, semicolon or tab). Leading lines starting with "#" are skipped, and so are
// the "Title:" and "Author:" lines of a KWordQuiz list (tab-separated, no quotes, and its empty
// rows no rows); columns beyond two ignored, a line break inside a field becomes a space, blanks
// around a side go.
Table ReadTable(const QByteArray& bytes, const QString& fileName);

// UTF-8 without a byte-order mark, CR LF after each line, fields quoted only where needed. CSV
// (a name ending in .csv) starts with the topics as its header row; tab-separated has no header.
QByteArray WriteTable(const QString& side1Topic, const QString& side2Topic,
                      const QVector<Row>& cards, const QString& fileName);

// " 3 rows were skipped (lines 14, 27, 31): a side was empty or held '|'." or an empty text.
QString SkipReport(const QVector<int>& skipped);

}  // namespace exchange
