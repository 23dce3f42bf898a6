#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The one text codec of the card files.
namespace codec {

// UTF-8 when the bytes are valid UTF-8 (a byte-order mark is dropped), else Windows-1252.
QString decode(const QByteArray& bytes);
// Windows-1252 when every character fits and the bytes cannot be mistaken for UTF-8 on the
// next read; otherwise UTF-8, without a byte-order mark unless the text itself starts with
// U+FEFF. decode(encode(s)) == s for every s without a lone surrogate (which has no encoding).
QByteArray encode(const QString& text);

// What encode(joinLines(lines + {line})) gives, from `bytes`, which is encode(joinLines(lines)),
// without the lines: for a file with CR LF line ends only, in ASCII, or in Windows-1252 when
// `line` fits it. A null array when it takes the whole text to tell.
QByteArray appendLine(QByteArray bytes, const QString& line);

// Splits at CR LF, LF or a lone CR; a line end at the very end adds no empty line.
QStringList splitLines(const QString& text);
// Every line followed by CR LF, the last one included.
QString joinLines(const QStringList& lines);

// The Windows-1252 byte of `c`, or -1 when it has none.
int windows1252Byte(char32_t c);

}  // namespace codec
