// Mnemosyne's card sets and databases from a stranger: refused with a reason or read to cards
// that a card file can hold; and the cloze and extra-data rules on any text.
#include "FuzzSupport.h"
#include "Mnemosyne.h"

using namespace exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::checkReading(ReadCards(bytes, "deck.cards"), bytes);
    const QString text = QString::fromUtf8(bytes);
    // Cloze k is there only when cloze k - 1 is, and Side 1 shows where it was.
    FUZZ_CHECK(mnemosyne::Cloze(text, -1).first.isEmpty(), bytes);
    for (int k = 0; k < 3; ++k) {
        const QString question = mnemosyne::Cloze(text, k).first;
        if (question.isEmpty()) FUZZ_CHECK(mnemosyne::Cloze(text, k + 1).first.isEmpty(), bytes);
        FUZZ_CHECK(question.isEmpty() || question.contains('['), bytes);
    }
    // A key inside a string is no key, whatever the string holds.
    const QString quoted = QString(text).replace("\\", "\\\\").replace("'", "\\'");
    const QString dict = "{'" + quoted + "': 3, 'index': 7}";
    FUZZ_CHECK(mnemosyne::DictNumber(dict, u"index") == 7, bytes);
    return 0;
}
