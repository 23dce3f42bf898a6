#include "Codec.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <algorithm>
#include <array>

namespace codec {
namespace {

// Bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined map to the C1 controls of the
// same value, so that any byte sequence survives a read and a rewrite unchanged.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isUtf8(const QByteArray& bytes) { return QByteArrayView(bytes).isValidUtf8(); }

bool isAscii(const QByteArray& bytes) {
    for (char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80) return false;
    return true;
}

QString decode1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u >= 0x80 && u < 0xA0) ? kHigh[u - 0x80] : char16_t(u);
    }
    return text;
}

// Calls line(start, end) for each line of `all` from `from` on: a line ends at CR LF, LF or a
// lone CR, and a line end at the very end adds no empty line.
template <typename View, typename Line>
void eachLine(View all, qsizetype from, Line line) {
    using Char = typename View::value_type;
    // Line ends found by Qt's vectorised search, one kind at a time.
    qsizetype cr = all.indexOf(Char(u'\r'), from), lf = all.indexOf(Char(u'\n'), from);
    qsizetype start = from;
    while (cr >= 0 || lf >= 0) {
        const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
        line(start, end);
        start = end + (end == cr && lf == end + 1 ? 2 : 1);
        if (cr >= 0 && cr < start) cr = all.indexOf(Char(u'\r'), start);
        if (lf >= 0 && lf < start) lf = all.indexOf(Char(u'\n'), start);
    }
    if (start < all.size()) line(start, all.size());
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
    // Qt's own decoder, which drops one byte-order mark, as the card files want.
    if (isUtf8(bytes)) return QString::fromUtf8(bytes);
    return decode1252(bytes);
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
    if (!isAscii(bytes) && isUtf8(bytes)) return utf8(text);
    return bytes;
}

QByteArray utf8From1252(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u < 0x80) {
            out.append(b);
            continue;
        }
        const char16_t c = u < 0xA0 ? kHigh[u - 0x80] : char16_t(u);
        if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6))).append(char(0x80 | (c & 0x3F)));
        } else {
            out.append(char(0xE0 | (c >> 12)))
                .append(char(0x80 | ((c >> 6) & 0x3F)))
                .append(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

QByteArray encodeUtf8(const QList<QByteArrayView>& parts) {
    qsizetype size = 0;
    for (QByteArrayView part : parts) size += part.size();
    QByteArray bytes;
    bytes.reserve(size);
    unsigned char high = 0;
    for (QByteArrayView part : parts) {
        const auto* u = reinterpret_cast<const unsigned char*>(part.data());
        for (qsizetype i = 0; i < part.size();) {
            // Well-formed UTF-8 (Qt wrote it) read a character at a time.
            const int more = u[i] < 0x80 ? 0 : u[i] < 0xE0 ? 1 : u[i] < 0xF0 ? 2 : 3;
            char32_t c = more ? u[i] & (0x3F >> more) : u[i];
            for (int k = 1; k <= more && i + k < part.size(); ++k) c = (c << 6) | (u[i + k] & 0x3F);
            i += more + 1;
            const int b = windows1252Byte(c);
            if (b < 0) return {};
            bytes.append(char(b));
            high |= static_cast<unsigned char>(b);
        }
    }
    // 8-bit text that happens to be valid UTF-8 would be read back as other characters.
    if (high >= 0x80 && isUtf8(bytes)) return {};
    return bytes;
}

QByteArray appendLine(QByteArray bytes, const QString& line) {
    // Plain counting loops, which the compiler vectorises: this runs on every card added.
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype cr = 0, lf = 0, ends = 0;
    unsigned char high = 0;
    for (qsizetype i = 0; i < n; ++i) {
        cr += b[i] == '\r';
        lf += b[i] == '\n';
        high |= b[i];
    }
    for (qsizetype i = 0; i + 1 < n; ++i) ends += (b[i] == '\r') & (b[i + 1] == '\n');
    // Lines that a rewrite would give other line ends, or a byte-order mark that would double.
    if ((n > 0 && !bytes.endsWith("\r\n")) || cr != ends || lf != ends ||
        line.startsWith(QChar(0xFEFF)))
        return {};
    const QString tail = line + QLatin1String("\r\n");
    // After ASCII, the line is written as it would be alone.
    if (high < 0x80) return bytes.append(encode(tail));
    // An 8-bit file stays 8-bit while the line fits.
    if (isUtf8(bytes)) return {};
    QByteArray added;
    for (QChar c : tail) {
        const int byte = windows1252Byte(c.unicode());
        if (byte < 0) return {};
        added.append(char(byte));
    }
    return bytes.append(added);
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    const QStringView all(text);
    eachLine(all, 0, [&](qsizetype start, qsizetype end) {
        lines.append(all.sliced(start, end - start).toString());
    });
    return lines;
}

Lines::Lines(QByteArray bytes) : bytes_(std::move(bytes)), utf8_(isUtf8(bytes_)) {
    // CR and LF are single bytes in both encodings; the file's byte-order mark is no part of its
    // first line.
    const QByteArrayView all(bytes_);
    eachLine(all, utf8_ && all.startsWith("\xEF\xBB\xBF") ? 3 : 0,
             [&](qsizetype start, qsizetype) { starts_.append(start); });
    starts_.append(all.size());
}

Lines::Lines(const QStringList& lines) {
    for (const QString& line : lines) {
        starts_.append(bytes_.size());
        bytes_ += line.toUtf8() + '\n';
    }
    starts_.append(bytes_.size());
}

QByteArrayView Lines::bytesOf(qsizetype i) const {
    const qsizetype start = starts_.at(i);
    qsizetype end = starts_.at(i + 1);
    const char* b = bytes_.constData();
    if (end > start && (b[end - 1] == '\n' || b[end - 1] == '\r')) {
        --end;
        if (b[end] == '\n' && end > start && b[end - 1] == '\r') --end;
    }
    return QByteArrayView(b + start, end - start);
}

QString Lines::at(qsizetype i) const {
    const QByteArrayView line = bytesOf(i);
    if (!utf8_) return decode1252(line);
    // The file's byte-order mark is behind the first start; one that starts a line is its text.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(line);
}

QStringList Lines::toList() const {
    QStringList lines;
    lines.reserve(size());
    for (qsizetype i = 0; i < size(); ++i) lines.append(at(i));
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
