#pragma once

#include "Dialogs.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

// What every fuzz target shares: a program folder inside a sandbox folder, dialogs that record
// instead of showing, and byte-level oracles that do not use the codec under test.
namespace fuzz {

class RecordingDialogs final : public look::Dialogs {
public:
    void error(const QString&, const QString& text) override { errors.append(text); }
    QString prompt(const QString&, const QString&, const QString&) override { return {}; }
    bool question(const QString&, const QString&) override { return false; }
    void notice(const QString& text, const QString&) override { errors.append(text); }
    QStringList errors;
};

// The recording dialogs, installed on first use and emptied by every call.
RecordingDialogs& dialogs();

// A sandbox folder made once per process; the program folder is its subfolder "prog", so that
// "../x.dat" from the program folder names the sandbox's own x.dat.
QString sandbox();
QString programFolder();

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// The names in `folder`, sorted, hidden ones included.
QStringList listFolder(const QString& folder);
// Every file directly in `folder` and its bytes.
QList<QPair<QString, QByteArray>> snapshot(const QString& folder);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(const QByteArray& bytes);
// `bytes` without one leading UTF-8 byte-order mark when it is valid UTF-8.
QByteArray withoutBom(const QByteArray& bytes);
// The lines of `bytes` split at CR LF, LF or a lone CR, as bytes; a final line end adds none.
QList<QByteArray> rawLines(const QByteArray& bytes);

// Stops the process with a message: the fuzzer then keeps the input that led here.
[[noreturn]] void fail(const char* what, const QByteArray& detail = {});
#define FUZZ_CHECK(cond, detail)                  \
    do {                                          \
        if (!(cond)) ::fuzz::fail(#cond, detail); \
    } while (false)

// Reads fields off the front of the fuzzer's input.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return size_ ? (--size_, *data_++) : 0; }
    QByteArray bytes(size_t n);
    QByteArray rest() { return bytes(size_); }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace fuzz
