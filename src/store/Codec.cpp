#include "Codec.h"

#include <QStringDecoder>
#include <array>

namespace codec {
namespace {

// Bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined map to the C1 controls of the
// same value, so that any byte sequence survives a read and a rewrite unchanged.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isUtf8(const QByteArray& bytes, QString* text) {
    // decode() drops one byte-order mark itself; a second one is a character of the text.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QString out = decoder.decode(bytes);
    if (decoder.hasError()) return false;
    if (text) *text = std::move(out);
    return true;
}

bool isAscii(const QByteArray& bytes) {
    for (char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80) return false;
    return true;
}

// A text that starts with U+FEFF gets a byte-order mark in front, since decode() drops one.
QByteArray utf8(const QString& text) {
    if (text.startsWith(QChar(0xFEFF))) return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return text.toUtf8();
}

}  // namespace

int windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
    for (int i = 0; i < int(kHigh.size()); ++i)
        if (kHigh[i] == c) return 0x80 + i;
    return -1;
}

QString decode(const QByteArray& bytes) {
    static const QByteArray bom("\xEF\xBB\xBF");
    QString text;
    if (isUtf8(bytes.startsWith(bom) ? bytes.mid(3) : bytes, &text)) return text;
    text.resize(bytes.size());
    QChar* out = text.data();
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u >= 0x80 && u < 0xA0) ? QChar(kHigh[u - 0x80]) : QChar(u);
    }
    return text;
}

QByteArray encode(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const int b = windows1252Byte(c.unicode());
        if (b < 0) return utf8(text);
        bytes.append(char(b));
    }
    // 8-bit text that happens to be valid UTF-8 would be read back as other characters.
    if (!isAscii(bytes) && isUtf8(bytes, nullptr)) return utf8(text);
    return bytes;
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    if (start < n) lines.append(text.mid(start));
    return lines;
}

QString joinLines(const QStringList& lines) {
    QString text;
    qsizetype size = 0;
    for (const QString& line : lines) size += line.size() + 2;
    text.reserve(size);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

}  // namespace codec
