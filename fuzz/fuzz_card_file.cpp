// A card file of arbitrary bytes: the line reader, the card-line fields, loading the working
// copy, and writing the lines back unchanged.
#include "Codec.h"
#include "CurrentSet.h"
#include "Files.h"
#include "FuzzSupport.h"

using namespace fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecordingDialogs& shown = dialogs();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = programFolder() + QStringLiteral("/in-use.dat");
    writeBytes(path, bytes);

    bool ok = false;
    const QStringList lines = Main::ReadFileToStringFSOLine(path, &ok);
    FUZZ_CHECK(ok && shown.errors.isEmpty(), bytes);
    FUZZ_CHECK(lines == codec::splitLines(codec::decode(bytes)), bytes);
    FUZZ_CHECK(lines.size() == rawLines(withoutBom(bytes)).size(), bytes);

    // A card line is split at every "|"; the fields put together again give the line.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char('|'));
        FUZZ_CHECK(fields.size() == lines[i].count(QLatin1Char('|')) + 1, bytes);
        FUZZ_CHECK(fields.join(QLatin1Char('|')) == lines[i], bytes);
    }

    Deckwork::InUsePath = path;
    Deckwork::CardCount = 7;
    Deckwork::LoadInUseCards();
    FUZZ_CHECK(Deckwork::CardLines == lines, bytes);
    FUZZ_CHECK(Deckwork::CardCount == (lines.size() > 1 ? int(lines.size()) - 1 : 7), bytes);

    // Written back unchanged: the same lines; an 8-bit file keeps every byte of every line.
    const QString copy = programFolder() + QStringLiteral("/copy.dat");
    Main::WriteLines(copy, lines);
    FUZZ_CHECK(Main::ReadFileToStringFSOLine(copy) == lines, bytes);
    const QByteArray written = readBytes(copy);
    if (!isValidUtf8(bytes)) FUZZ_CHECK(rawLines(written) == rawLines(bytes), bytes);
    FUZZ_CHECK(written.isEmpty() || written.endsWith("\r\n"), bytes);
    FUZZ_CHECK(shown.errors.isEmpty(), bytes);
    return 0;
}
