// HTML to text on arbitrary text: one trimmed line, and a side written out as HTML for a package
// reads back as the same side.
#include "AnkiText.h"
#include "FuzzSupport.h"

using namespace exchange::anki;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Media media;
    const QString side = HtmlToText(QString::fromUtf8(bytes), &media);
    for (QChar c : {QChar('\r'), QChar('\n'), QChar('\t')}) FUZZ_CHECK(!side.contains(c), bytes);
    FUZZ_CHECK(!side.startsWith(' ') && !side.endsWith(' '), bytes);
    FUZZ_CHECK(media.pictures >= 0 && media.sounds >= 0, bytes);
    FUZZ_CHECK(HtmlToText(TextToHtml(side)) == side, bytes);
    Media none;
    HtmlToText(TextToHtml(side), &none);
    FUZZ_CHECK(none.pictures == 0 && none.sounds == 0, bytes);
    return 0;
}
