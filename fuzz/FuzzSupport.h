#pragma once

#include "Dialogs.h"
#include "Harness.h"
#include "Import.h"

#include <cstdio>

// What the fuzz targets share: the tests' sandbox, recorded boxes, and store-free oracles.
namespace fuzz {

[[noreturn]] inline void fail(const char* what, const QByteArray& input) {
    fprintf(stderr, "invariant broken: %s\n%s\n", what, input.toHex(' ').constData());
    abort();  // the fuzzer keeps the input that led here
}
#define FUZZ_CHECK(cond, input) ((cond) ? void() : ::fuzz::fail(#cond, input))

struct Recorder final : look::Dialogs {
    void error(const QString&, const QString& text) override { shown.append(text); }
    QString prompt(const QString&, const QString&, const QString&) override { return {}; }
    bool question(const QString&, const QString&) override { return false; }
    void notice(const QString& text, const QString&) override { shown.append(text); }
    QStringList shown;
};
inline const QStringList& boxesFromNow() {
    static Recorder recorder;
    look::setDialogs(&recorder);
    recorder.shown.clear();
    return recorder.shown;
}

// One sandbox for the run, removed at exit.
inline Sandbox& box() {
    static Sandbox made;
    return made;
}

// Strict UTF-8, by Unicode's table of well-formed byte sequences.
inline bool isValidUtf8(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar c = bytes[i++];
        const int more = (c >= 0xC2) + (c >= 0xE0) + (c >= 0xF0);
        if ((c >= 0x80 && !more) || c >= 0xF5 || bytes.size() - i < more) return false;
        const uchar low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        const uchar high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        for (int k = 0; k < more; ++k, ++i)
            if (uchar(bytes[i]) < (k ? 0x80 : low) || uchar(bytes[i]) > (k ? 0xBF : high))
                return false;
    }
    return true;
}
inline QByteArray withoutBom(const QByteArray& bytes) {
    return bytes.startsWith("\xEF\xBB\xBF") && isValidUtf8(bytes) ? bytes.mid(3) : bytes;
}
// The lines of a text or of bytes: CR LF, LF and a lone CR end one; a final line end adds none.
template <typename Text>
QList<Text> rawLines(Text text) {
    text.replace("\r\n", "\n").replace('\r', '\n');
    QList<Text> lines = text.split('\n');
    if (text.isEmpty() || text.endsWith('\n')) lines.removeLast();
    return lines;
}

// A file read for its cards is refused with a reason, or gives cards that a card file can hold.
inline void checkReading(const exchange::Reading& reading, const QByteArray& input) {
    FUZZ_CHECK(reading.problem.isEmpty() || reading.decks.isEmpty(), input);
    for (const exchange::Deck& deck : reading.decks)
        for (const exchange::Row& row : deck.rows.toVector())
            for (const QString& side : {row.side1, row.side2})
                FUZZ_CHECK(!side.isEmpty() && !side.contains('|') && !side.contains('\n'), input);
}

}  // namespace fuzz
