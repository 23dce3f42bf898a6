// MakeSetFileName on arbitrary topics: the name keeps the topics' characters in order, drops
// every control character and every character a path could be built from, is a bare file name
// of the program folder, and a set file made under it lands in that folder and nowhere else.
#include "Codec.h"
#include "Files.h"
#include "FuzzSupport.h"

#include <QDir>
#include <cstring>

using namespace fuzz;

namespace {

bool unsafe(char32_t c) {
    static const QString removed = QStringLiteral("\t\r\n/\\*:?<>|\"");
    return c < 32 || c == 127 || (c >= 0x80 && c <= 0x9F) ||
           (c < 0x80 && removed.contains(QChar(c)));
}

void check(const QString& text, const QByteArray& input) {
    const QString name = Main::MakeSetFileName(text);
    FUZZ_CHECK(name.endsWith(QLatin1String(".dat")), input);
    FUZZ_CHECK(Main::IsBareFileName(name), input);
    const QList<uint> kept = name.chopped(4).toUcs4();
    for (uint c : kept) FUZZ_CHECK(!unsafe(c), input);
    // In order, and nothing that the topics did not hold.
    const QList<uint> all = text.toUcs4();
    qsizetype at = 0;
    for (uint c : kept) {
        while (at < all.size() && all[at] != c) ++at;
        FUZZ_CHECK(at < all.size(), input);
        ++at;
    }
    for (uint c : all)
        if (c >= 32 && c < 127 && !unsafe(c)) FUZZ_CHECK(kept.contains(c), input);
    FUZZ_CHECK(Main::MakeSetFileName(name.chopped(4)) == name, input);

    // The new set's file, made the way the editor makes it.
    if (QFile::encodeName(name).size() > 255) return;
    const QString folder = programFolder();
    RecordingDialogs& shown = dialogs();
    Main::EditFileFSO(Main::ProgramFile(name), QStringLiteral("A|B"), {}, true, false, false, true);
    FUZZ_CHECK(shown.errors.isEmpty(), input);
    FUZZ_CHECK(listFolder(folder) == QStringList{name}, input);
    FUZZ_CHECK(listFolder(sandbox()) == QStringList{QStringLiteral("prog")}, input);
    FUZZ_CHECK(readBytes(folder + QLatin1Char('/') + name) == "A|B\r\n", input);
    QFile::remove(folder + QLatin1Char('/') + name);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Main::SetProgramFolder(programFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(codec::decode(bytes), bytes);
    QString typed(qsizetype(size / 2), Qt::Uninitialized);
    memcpy(typed.data(), data, size_t(typed.size()) * 2);
    check(typed, bytes);
    return 0;
}
