// Whole files from a stranger, as an import reads them: each is refused with a reason or gives
// cards that a card file can hold.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::checkReading(exchange::ReadCards(bytes, "deck.apkg"), bytes);
    return 0;
}
