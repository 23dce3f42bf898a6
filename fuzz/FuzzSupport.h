#pragma once

#include "Dialogs.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

// What the fuzz targets share: a sandbox folder, dialogs that record instead of showing, and
// byte-level oracles that owe nothing to the code under test.
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
// The boxes shown from now on.
inline const QStringList& boxesFromNow() {
    static Recorder recorder;
    look::setDialogs(&recorder);
    recorder.shown.clear();
    return recorder.shown;
}

// A folder made once per process and removed at exit. The program folder is its subfolder
// "prog", so that "../x.dat" from the program folder names the sandbox's own x.dat.
inline QString sandbox() {
    // Never freed: the clean-up at exit runs after the program's statics are gone.
    static const std::string* path = [] {
        auto* made = new std::string(std::filesystem::temp_directory_path() / "quorvane-XXXXXX");
        if (!mkdtemp(made->data()) || !std::filesystem::create_directory(*made + "/prog"))
            fail("sandbox", {});
        std::atexit([] { std::filesystem::remove_all(*path); });
        return made;
    }();
    return QString::fromStdString(*path);
}
inline QString programFolder() { return sandbox() + QStringLiteral("/prog"); }

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) fail("setup", bytes);
}
// Every entry directly in `folder`, hidden ones included, by name, with a file's bytes.
inline QList<QPair<QString, QByteArray>> snapshot(const QString& folder) {
    QList<QPair<QString, QByteArray>> entries;
    const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QString& name : QDir(folder).entryList(filter, QDir::Name))
        entries.append({name, readBytes(folder + QLatin1Char('/') + name)});
    return entries;
}

// Strict UTF-8, after Unicode's table of well-formed byte sequences: the lead byte sets the
// number of bytes to follow and the range of the first of them.
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

// Reads fields off the front of the fuzzer's input; past its end, every field is empty.
struct Input {
    const uint8_t* data;
    size_t size;
    uint8_t byte() { return size ? (--size, *data++) : 0; }
    QByteArray bytes(size_t n) {
        n = std::min(n, size), data += n, size -= n;
        return QByteArray(reinterpret_cast<const char*>(data - n), qsizetype(n));
    }
};

}  // namespace fuzz
