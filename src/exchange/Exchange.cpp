#include "Exchange.h"

#include "Codec.h"
#include "Failure.h"

#include <csv.h>
#include <QFileInfo>
#include <QLocale>
#include <QUtf8StringView>
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace exchange {
namespace {

// libcsv's state while it is inside a field.
constexpr int kInsideField = 2;

QString suffixOf(const QString& fileName) { return QFileInfo(fileName).suffix().toLower(); }

QString trimBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return begin == 0 && end == text.size() ? text : text.mid(begin, end - begin);
}

// The candidate that the first records hold the same number of times outside quotes, the fewest
// when several do (a two-column row has one separator; commas in the text come on top); else one
// that each record holds; else the first candidate.
char separatorFromContent(QByteArrayView data, const char* candidates) {
    const int n = int(std::strlen(candidates));
    QVector<std::array<int, 3>> records;
    std::array<int, 3> counts{};
    bool quoted = false, any = false;
    for (qsizetype i = 0; i <= data.size() && records.size() < 20; ++i) {
        const char c = i < data.size() ? data[i] : '\n';
        if (c == '"') {
            quoted = !quoted, any = true;
        } else if (quoted) {
            continue;
        } else if (c == '\r' || c == '\n') {
            if (any) records.append(counts);
            counts = {}, any = false;
        } else {
            any = true;
            for (int k = 0; k < n; ++k) counts[k] += c == candidates[k];
        }
    }
    char same = 0, every = 0;
    int fewest = INT_MAX;
    for (int k = n - 1; k >= 0; --k) {
        bool isSame = !records.isEmpty(), isEvery = !records.isEmpty();
        for (const auto& r : records) {
            isSame = isSame && r[k] == records[0][k] && r[k] > 0;
            isEvery = isEvery && r[k] > 0;
        }
        if (isSame && records[0][k] <= fewest) same = candidates[k], fewest = records[0][k];
        if (isEvery) every = candidates[k];
    }
    return same ? same : every ? every : candidates[0];
}

// The text of a field with each line break in it made a space; `line` counts the breaks.
QString fieldText(const char* bytes, size_t size, int& line) {
    if (!std::memchr(bytes, '\r', size) && !std::memchr(bytes, '\n', size))
        return QString::fromUtf8(bytes, qsizetype(size));
    QByteArray joined;
    joined.reserve(qsizetype(size));
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            joined += bytes[i];
            continue;
        }
        if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
        joined += ' ';
        ++line;
    }
    return QString::fromUtf8(joined);
}

struct Parser {
    Table table;
    QString fields[2];
    int fieldCount = 0;
    int line = 1;     // the line the parser has reached
    int rowLine = 1;  // the line where the current row starts
    bool afterCr = false;
    bool blankRowsAreNone = false;  // KWordQuiz writes the empty rows of its grid

    void endRow() {
        QString side1 = trimBlanks(fields[0]);
        QString side2 = fieldCount > 1 ? trimBlanks(fields[1]) : QString();
        if (blankRowsAreNone && side1.isEmpty() && side2.isEmpty()) {
            fields[0].clear(), fields[1].clear();
            return;
        }
        if (!table.firstLine) table.firstLine = rowLine;
        if (!table.rows.add(side1, side2, rowLine)) table.skipped.append(rowLine);
        fields[0].clear(), fields[1].clear();
    }
};

void onField(void* bytes, size_t size, void* data) {
    auto& p = *static_cast<Parser*>(data);
    if (p.fieldCount == 0) p.rowLine = p.line;
    QString text = fieldText(static_cast<const char*>(bytes), size, p.line);
    if (p.fieldCount < 2) p.fields[p.fieldCount] = std::move(text);
    ++p.fieldCount;
    p.afterCr = false;
}

// Called for every line break outside quotes (CSV_REPALL_NL) and at the end of the data (-1).
void onLineEnd(int c, void* data) {
    auto& p = *static_cast<Parser*>(data);
    // The LF of a CR LF comes as an empty row of its own: the line has ended already.
    if (c == '\n' && p.afterCr && p.fieldCount == 0) {
        p.afterCr = false;
        return;
    }
    if (p.fieldCount > 0) p.endRow();
    if (c == '\r' || c == '\n') ++p.line;
    p.afterCr = c == '\r';
    p.fieldCount = 0;
}

}  // namespace

bool Rows::add(QStringView side1, QStringView side2, int line) {
    for (QStringView side : {side1, side2})
        if (side.isEmpty() || side.contains(u'|') || side.contains(u'\r') || side.contains(u'\n'))
            return false;
    starts_.append(text_.size());
    lines_.append(line);
    text_ += side1.toUtf8();
    text_ += '|';
    text_ += side2.toUtf8();
    text_ += "\r\n";
    return true;
}

Row Rows::at(qsizetype i) const {
    const qsizetype k = first_ + i;
    const qsizetype end = k + 1 < starts_.size() ? starts_[k + 1] : text_.size();
    const QByteArrayView line = QByteArrayView(text_).sliced(starts_[k], end - starts_[k] - 2);
    const qsizetype bar = line.indexOf('|');
    return {QString::fromUtf8(line.first(bar)), QString::fromUtf8(line.sliced(bar + 1)), lines_[k]};
}

Rows& Rows::operator+=(const Rows& other) {
    const QByteArrayView lines = other.cardLines();
    for (qsizetype k = other.first_; k < other.starts_.size(); ++k)
        starts_.append(text_.size() + other.starts_[k] - other.starts_[other.first_]);
    lines_ += other.lines_.mid(other.first_);
    text_ += lines;
    return *this;
}

void Rows::reserve(qsizetype rows) {
    starts_.reserve(rows);
    lines_.reserve(rows);
}

QByteArrayView Rows::cardLines() const {
    return isEmpty() ? QByteArrayView() : QByteArrayView(text_).sliced(starts_[first_]);
}

QVector<Row> Rows::toVector() const {
    QVector<Row> rows;
    for (qsizetype i = 0; i < size(); ++i) rows.append(at(i));
    return rows;
}

bool IsListFileName(const QString& fileName) {
    const QString suffix = suffixOf(fileName);
    return suffix == QLatin1String("csv") || suffix == QLatin1String("tsv") ||
           suffix == QLatin1String("txt");
}

Table ReadTable(const QByteArray& bytes, const QString& fileName) {
    // libcsv reads the UTF-8 as it stands; an 8-bit file is made UTF-8 first.
    // Neither is copied more than once: a large list is read in little more than its size.
    QByteArrayView data(bytes);
    if (data.startsWith("\xEF\xBB\xBF")) data = data.sliced(3);
    QByteArray converted;
    if (!QUtf8StringView(data).isValidUtf8()) data = converted = codec::utf8From1252(bytes);
    Parser p;
    char separator = 0;
    qsizetype start = 0;
    // The header lines of other flashcard programs' exports: "#separator:tab", "#html:false" ...
    while (start < data.size() && data[start] == '#') {
        qsizetype end = start;
        while (end < data.size() && data[end] != '\r' && data[end] != '\n') ++end;
        const QByteArray header = data.sliced(start, end - start).toByteArray().toLower();
        static const std::pair<const char*, char> named[] = {
            {"tab", '\t'}, {"comma", ','}, {"semicolon", ';'}};
        for (const auto& [name, c] : named)
            if (header.startsWith("#separator:") && header.mid(11).trimmed() == name) separator = c;
        if (end + 1 < data.size() && data[end] == '\r' && data[end + 1] == '\n') ++end;
        start = qMin(end + 1, data.size());
        ++p.line;
    }
    // KWordQuiz's list ("CSV") starts with the vocabulary's title and author, and is
    // tab-separated without quotes.
    const qsizetype second = data.indexOf('\n', start) + 1;
    const bool fromKWordQuiz =
        !separator && QByteArrayView(data).sliced(start).startsWith("Title:\t") && second > 0 &&
        QByteArrayView(data).sliced(second).startsWith("Author:\t");
    if (fromKWordQuiz) {
        p.table.titled = true;
        p.table.title = trimBlanks(QString::fromUtf8(data.sliced(start + 7, second - start - 7)))
                            .remove(QLatin1Char('\r'))
                            .remove(QLatin1Char('\n'));
        const qsizetype third = data.indexOf('\n', second);
        start = third < 0 ? data.size() : third + 1;
        p.line += 2;
        separator = '\t';
        p.blankRowsAreNone = true;
    }
    const QByteArrayView rows = QByteArrayView(data).sliced(start);
    const QString suffix = suffixOf(fileName);
    if (!separator)
        separator =
            suffix == QLatin1String("tsv")
                ? '\t'
                : separatorFromContent(rows, suffix == QLatin1String("csv") ? ",;" : "\t,;");

    p.table.rows.reserve(std::count(rows.begin(), rows.end(), '\n') + 1);
    csv_parser parser;
    if (csv_init(&parser, CSV_REPALL_NL) != 0) throw look::Failure(look::failures::OutOfMemory);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    // No NUL reaches here (binary files are refused first), so no quote ever opens.
    if (fromKWordQuiz) csv_set_quote(&parser, '\0');
    const size_t parsed =
        csv_parse(&parser, rows.data(), size_t(rows.size()), onField, onLineEnd, &p);
    const bool failed = parsed != size_t(rows.size());
    // A quote never closed would swallow the rest of the file into one card.
    const bool open = !failed && parser.pstate == kInsideField && parser.quoted;
    if (open)
        p.table.problem = QStringLiteral("a quote in the row on line %1 is never closed")
                              .arg(p.fieldCount ? p.rowLine : p.line);
    else if (!failed)
        csv_fini(&parser, onField, onLineEnd, &p);
    csv_free(&parser);
    if (failed) throw look::Failure(look::failures::OutOfMemory);
    return p.table;
}

QByteArray WriteTable(const QString& side1Topic, const QString& side2Topic,
                      const QVector<Row>& cards, const QString& fileName) {
    const bool csv = suffixOf(fileName) == QLatin1String("csv");
    const QChar separator = QLatin1Char(csv ? ',' : '\t');
    QString out;
    out.reserve((cards.size() + 1) * 32);
    // Quoted where a reader would split the field, trim it, or take its line for a header line;
    // and empty in a tab-separated list, where Mnemosyne refuses the whole file for a line that
    // starts with the tab or ends in it.
    const auto field = [&](const QString& text, bool first) {
        static const QString ends = QStringLiteral(" \t");
        const bool quote =
            (!csv && text.isEmpty()) || text.contains(separator) ||
            text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\r')) ||
            text.contains(QLatin1Char('\n')) || (first && text.startsWith(QLatin1Char('#'))) ||
            (!text.isEmpty() && (ends.contains(text.front()) || ends.contains(text.back())));
        if (!quote) {
            out += text;
            return;
        }
        out += QLatin1Char('"');
        out += QString(text).replace(QLatin1Char('"'), QLatin1String("\"\""));
        out += QLatin1Char('"');
    };
    const auto row = [&](const QString& side1, const QString& side2) {
        field(side1, true);
        out += separator;
        field(side2, false);
        out += QLatin1String("\r\n");
    };
    if (csv) row(side1Topic, side2Topic);
    for (const Row& card : cards) row(card.side1, card.side2);
    return out.toUtf8();
}

QString SkipReport(const QVector<int>& skipped) {
    if (skipped.isEmpty()) return {};
    QStringList lines;
    for (qsizetype i = 0; i < qMin<qsizetype>(skipped.size(), 20); ++i)
        lines << QString::number(skipped[i]);
    if (skipped.size() > 20) lines << QStringLiteral("…");
    if (skipped.size() == 1)
        return QStringLiteral(" 1 row was skipped (line %1): a side was empty or held '|'.")
            .arg(lines.first());
    return QStringLiteral(" %1 rows were skipped (lines %2): a side was empty or held '|'.")
        .arg(QLocale(QLocale::English).toString(qlonglong(skipped.size())), lines.join(u", "));
}

}  // namespace exchange
