// KVTML from a stranger, plain or gzip-compressed: refused with a reason or read to cards that a
// card file can hold; and what was read, written out as KVTML, reads back the same.
#include "FuzzSupport.h"
#include "Kvtml.h"

using namespace exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Reading reading = ReadCards(bytes, "vocabulary.kvtml");
    fuzz::checkReading(reading, bytes);
    if (!reading.problem.isEmpty() || !(kvtml::IsKvtml(bytes) || bytes.startsWith("\x1F\x8B")))
        return 0;
    const Deck& deck = reading.decks.first();
    const Reading again =
        ReadCards(WriteCards(deck.side1Topic, deck.side2Topic, deck.rows.toVector(), "out.kvtml"),
                  "out.kvtml");
    FUZZ_CHECK(again.problem.isEmpty() && again.decks.size() == 1, bytes);
    const Deck& back = again.decks.first();
    FUZZ_CHECK(back.side1Topic == deck.side1Topic && back.side2Topic == deck.side2Topic, bytes);
    FUZZ_CHECK(back.rows.size() == deck.rows.size() && back.skipped.isEmpty(), bytes);
    for (qsizetype i = 0; i < deck.rows.size(); ++i)
        FUZZ_CHECK(back.rows.at(i).side1 == deck.rows.at(i).side1 &&
                       back.rows.at(i).side2 == deck.rows.at(i).side2,
                   bytes);
    return 0;
}
