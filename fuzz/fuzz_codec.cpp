// The text codec and the line splitter on arbitrary bytes, as a card file holds them, and on the
// same bytes taken as UTF-16 text, as a card typed by the user might be.
#include "Codec.h"
#include "FuzzSupport.h"

using namespace fuzz;

// Encoding keeps every text, and the lines are those of the plain rule.
static void checkText(const QString& text, const QByteArray& input) {
    const QStringList lines = rawLines(text);
    FUZZ_CHECK(codec::decode(codec::encode(text)) == text, input);
    FUZZ_CHECK(codec::splitLines(text) == lines, input);
    FUZZ_CHECK(codec::splitLines(codec::joinLines(lines)) == lines, input);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = codec::decode(bytes);
    // UTF-8 less one byte-order mark, else one character per byte that encodes back to it.
    FUZZ_CHECK(isValidUtf8(bytes) ? text.toUtf8() == withoutBom(bytes)
                                  : text.size() == bytes.size() && codec::encode(text) == bytes,
               bytes);
    FUZZ_CHECK(codec::splitLines(text).size() == rawLines(withoutBom(bytes)).size(), bytes);
    FUZZ_CHECK(codec::Lines(bytes).toList() == codec::splitLines(text), bytes);
    checkText(text, bytes);
    // An append from the file's bytes writes what a rewrite of its lines would.
    const QByteArray appended = codec::appendLine(bytes, text.right(9));
    FUZZ_CHECK(appended.isNull() || appended == codec::encode(codec::joinLines(
                                                    codec::splitLines(text) << text.right(9))),
               bytes);

    // A lone surrogate is no character and has no encoding; typed text never holds one.
    const QString typed(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
    const QList<uint> ucs4 = typed.toUcs4();  // a lone surrogate becomes U+FFFD here
    checkText(QString::fromUcs4(reinterpret_cast<const char32_t*>(ucs4.data()), ucs4.size()),
              bytes);
    return 0;
}
