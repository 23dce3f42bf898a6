#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

// The one text codec of the card files.
namespace codec {

// UTF-8 when the bytes are valid UTF-8 (a byte-order mark is dropped), else Windows-1252.
QString decode(const QByteArray& bytes);
// Windows-1252 when every character fits and the bytes cannot be mistaken for UTF-8 on the
// next read; otherwise UTF-8, without a byte-order mark unless the text itself starts with
// U+FEFF. decode(encode(s)) == s for every s without a lone surrogate (which has no encoding).
QByteArray encode(const QString& text);

// The UTF-8 form of Windows-1252 bytes, as decode() reads bytes that are not UTF-8.
QByteArray utf8From1252(QByteArrayView bytes);
// What encode() gives for the text whose UTF-8 form is the parts joined, without the text in
// memory twice: its Windows-1252 bytes, or a null array where encode() gives UTF-8 (that is the
// parts themselves, after a byte-order mark when the text starts with U+FEFF).
QByteArray encodeUtf8(const QList<QByteArrayView>& parts);

// What encode(joinLines(lines + {line})) gives, from `bytes`, which is encode(joinLines(lines)),
// without the lines: for a file with CR LF line ends only, in ASCII, or in Windows-1252 when
// `line` fits it. A null array when it takes the whole text to tell.
QByteArray appendLine(QByteArray bytes, const QString& line);

// Splits at CR LF, LF or a lone CR; a line end at the very end adds no empty line.
QStringList splitLines(const QString& text);
// Every line followed by CR LF, the last one included.
QString joinLines(const QStringList& lines);

// The lines of a card file kept as its bytes and decoded one at a time when asked for: a set of
// 100,000 cards takes the file's size and an offset a line rather than a string a line.
class Lines {
public:
    Lines() = default;
    // What splitLines(decode(bytes)) gives.
    explicit Lines(QByteArray bytes);
    // Lines without line ends.
    Lines(const QStringList& lines);
    Lines(std::initializer_list<QString> lines) : Lines(QStringList(lines)) {}

    qsizetype size() const { return starts_.isEmpty() ? 0 : starts_.size() - 1; }
    QString at(qsizetype i) const;
    // Line i as the file holds it, in its own encoding; ASCII characters are their own bytes.
    QByteArrayView bytesOf(qsizetype i) const;
    QStringList toList() const;
    // True for copies of one read (a new read is a new array, even of the same file).
    bool sameRead(const Lines& other) const {
        return bytes_.constData() == other.bytes_.constData() &&
               starts_.constData() == other.starts_.constData();
    }

private:
    QByteArray bytes_;
    bool utf8_ = true;
    // Where each line starts, then where the text ends. A line runs up to the line end (CR LF, LF
    // or CR) just before the next start; the last line of a file may have none.
    QList<qsizetype> starts_;
};

// The Windows-1252 byte of `c`, or -1 when it has none.
int windows1252Byte(char32_t c);

}  // namespace codec
