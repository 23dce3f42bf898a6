// The protobuf reader on arbitrary bytes, alone and as a field of a message built around them.
#include "AnkiText.h"
#include "FuzzSupport.h"

using namespace exchange::anki;

static QByteArray varint(quint64 n) {
    QByteArray out;
    for (; n > 0x7F; n >>= 7) out += char(0x80 | (n & 0x7F));
    return out += char(n);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    quint64 value = 0;
    QByteArrayView found;
    for (int field = 1; field < 4; ++field) {
        ProtoVarint(bytes, field, &value);
        // What it gives lies inside the message.
        if (ProtoBytes(bytes, field, &found))
            FUZZ_CHECK(found.data() >= bytes.data() && found.end() <= bytes.end(), bytes);
    }
    // Field 3 holding the bytes behind field 1 holding their size, then a later field 1.
    const QByteArray message = varint(1 << 3) + varint(size) + varint(3 << 3 | 2) + varint(size) +
                               bytes + varint(1 << 3) + varint(7);
    FUZZ_CHECK(ProtoBytes(message, 3, &found) && found == bytes, bytes);
    FUZZ_CHECK(ProtoVarint(message, 1, &value) && value == 7, bytes);
    FUZZ_CHECK(!ProtoBytes(message.chopped(3), 4, &found), bytes);
    return 0;
}
