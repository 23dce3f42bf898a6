// Whole files from a stranger, as an import reads them: each is refused with a reason or gives
// cards that a card file can hold.
#include "FuzzSupport.h"
#include "Import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const exchange::Reading reading = exchange::ReadCards(bytes, "deck.apkg");
    FUZZ_CHECK(reading.problem.isEmpty() || reading.decks.isEmpty(), bytes);
    for (const exchange::Deck& deck : reading.decks)
        for (const exchange::Row& row : deck.rows)
            for (const QString& side : {row.side1, row.side2})
                FUZZ_CHECK(!side.isEmpty() && !side.contains('|') && !side.contains('\n'), bytes);
    return 0;
}
