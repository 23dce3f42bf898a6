// The text codec and the line splitter on arbitrary bytes, and on arbitrary UTF-16 text.
#include "Codec.h"
#include "FuzzSupport.h"

#include <cstring>

namespace {

using namespace fuzz;

// splitLines as a plain rule: every CR LF, LF or lone CR ends a line.
QStringList referenceLines(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}

void checkLines(const QString& text) {
    const QStringList lines = codec::splitLines(text);
    FUZZ_CHECK(lines == referenceLines(text), text.toUtf8());
    for (const QString& line : lines)
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')),
                   text.toUtf8());
    FUZZ_CHECK(codec::splitLines(codec::joinLines(lines)) == lines, text.toUtf8());
}

void checkRoundTrip(const QString& text) {
    const QByteArray bytes = codec::encode(text);
    FUZZ_CHECK(codec::decode(bytes) == text, bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = codec::decode(bytes);
    if (isValidUtf8(bytes)) {
        FUZZ_CHECK(text.toUtf8() == withoutBom(bytes), bytes);
    } else {
        // An 8-bit file: one character per byte, and written back byte for byte.
        FUZZ_CHECK(text.size() == bytes.size(), bytes);
        for (qsizetype i = 0; i < text.size(); ++i)
            FUZZ_CHECK(codec::windows1252Byte(text[i].unicode()) == uchar(bytes[i]), bytes);
        FUZZ_CHECK(codec::encode(text) == bytes, bytes);
    }
    checkRoundTrip(text);
    checkLines(text);

    // The same bytes as UTF-16 text, as a card typed by the user might be. A lone surrogate is
    // no character at all and has no encoding; the typed text never holds one.
    QString typed(qsizetype(size / 2), Qt::Uninitialized);
    memcpy(typed.data(), data, size_t(typed.size()) * 2);
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const bool pair =
            typed[i].isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate();
        if (pair)
            ++i;
        else if (typed[i].isSurrogate())
            typed[i] = QChar::ReplacementCharacter;
    }
    checkRoundTrip(typed);
    checkLines(typed);
    return 0;
}
