#include "Files.h"

#include "Codec.h"
#include "Failure.h"
#include "Lock.h"
#include "Trap.h"

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <future>
#include <optional>

namespace Main {
namespace {

QString programFolder;
QString cardFolder;

// The lines of the file read last by ReadKeptLines, and the file's state when it was read.
struct Kept {
    QString path;
    FileStamp stamp;
    codec::Lines lines;
} kept;

const char* const kFixedFiles[] = {"sets.dat", "default-sets.dat", "default.dat", "in-use.dat"};

bool statFile(const QString& path, struct stat* state) {
    const QByteArray native = QFile::encodeName(path);
    return !path.isEmpty() && !native.contains('\0') && ::stat(native.constData(), state) == 0;
}

bool isPlain(const FileStamp& stamp) { return stamp.exists && S_ISREG(stamp.state.st_mode); }

// Lines read on another thread, and the file's state before the reading.
struct Ahead {
    QString path;
    FileStamp stamp;
    codec::Lines lines;
    bool read = false;
};
std::future<Ahead> ahead;

void forget(const QString& path) {
    if (path == kept.path) kept = Kept();
}

// The lines of `path` made by `split` from its bytes; a failure is reported here and gives the
// lines made so far.
template <typename Split>
auto readLines(const QString& path, bool* ok, Split split) {
    look::Trap trap("Main.ReadFileToStringFSOLine");
    QByteArray bytes;
    decltype(split(bytes)) lines;
    const bool read = trap.at(100, [&] { bytes = ReadBytes(path); });
    const bool made = trap.at(102, [&] { lines = split(bytes); });
    // Lines lost to a failed decoding must not pass for the file's content in a rewrite.
    if (ok) *ok = read && made;
    return lines;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& o) const {
    const struct stat &a = state, &b = o.state;
    return exists == o.exists &&
           (!exists ||
            (a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
             a.st_mode == b.st_mode && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
             a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
             a.st_ctim.tv_nsec == b.st_ctim.tv_nsec));
}

FileStamp StampOf(const QString& path) {
    FileStamp stamp;
    stamp.exists = statFile(path, &stamp.state);
    return stamp;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    const QFileInfo info(path);
    if (info.isDir()) look::throwFileFailure(EISDIR);
    // A pipe would block and a device might never end: the program's files are plain files.
    if (info.exists() && !info.isFile()) throw look::Failure(look::failures::PathFileAccessError);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) look::throwFileFailure(errno ? errno : ENOENT);
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) look::throwFileFailure(errno ? errno : EIO);
    return bytes;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    WriteBytes(path, QList<QByteArrayView>{bytes});
}

void WriteBytes(const QString& path, const QList<QByteArrayView>& parts) {
    forget(path);
    if (QFileInfo(path).isDir()) look::throwFileFailure(EISDIR);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) look::throwFileFailure(errno ? errno : EACCES);
    errno = 0;
    bool written = true;
    for (QByteArrayView part : parts)
        written = written && file.write(part.data(), part.size()) == part.size();
    // commit() renames the new file over the old one even when the last write from its buffer
    // fell short (a full disk, a file size limit); flush() reports that.
    if (!written || !file.flush() || !file.commit()) look::throwFileFailure(errno ? errno : EIO);
}

void WriteUtf8(const QString& path, const QList<QByteArrayView>& parts) {
    const QByteArray eightBit = codec::encodeUtf8(parts);
    if (!eightBit.isNull()) return WriteBytes(path, eightBit);
    // A text that starts with U+FEFF keeps it: the reader drops one byte-order mark.
    const bool mark = !parts.isEmpty() && parts.first().startsWith("\xEF\xBB\xBF");
    WriteBytes(path,
               (mark ? QList<QByteArrayView>{"\xEF\xBB\xBF"} : QList<QByteArrayView>{}) + parts);
}

QString ProgramFolder() {
    if (programFolder.isEmpty()) return QCoreApplication::applicationDirPath();
    return programFolder;
}

void SetProgramFolder(const QString& folder) {
    programFolder = QDir::cleanPath(folder);
    cardFolder.clear();
}

QString InstalledFile(const QString& name) { return ProgramFolder() + QLatin1Char('/') + name; }

QString CardFolder() {
    if (!programFolder.isEmpty()) return programFolder;
    if (cardFolder.isEmpty()) {
        // A program folder the user cannot write (a system-wide install) keeps only the installed
        // files; each user's cards then live in that user's data folder.
        const QString folder = ProgramFolder();
        if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0) {
            cardFolder = folder;
        } else {
            cardFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/quorvane");
            QDir().mkpath(cardFolder);
        }
    }
    return cardFolder;
}

QString ProgramFile(const QString& name) { return CardFolder() + QLatin1Char('/') + name; }

bool IsBareFileName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    for (QChar c : name)
        if (c.unicode() < 32 || c == QLatin1Char('/') || c == QLatin1Char('\\')) return false;
    return true;
}

bool IsOwnSetFileName(const QString& name) {
    for (const char* fixed : kFixedFiles)
        if (name.compare(QLatin1String(fixed), Qt::CaseInsensitive) == 0) return false;
    return IsBareFileName(name);
}

QStringList ReadFileToStringFSOLine(const QString& path, bool* ok) {
    return readLines(path, ok,
                     [](const QByteArray& b) { return codec::splitLines(codec::decode(b)); });
}

void ReadKeptLinesAhead(const QString& path) {
    if (ahead.valid()) ahead.wait();
    ahead = std::async(std::launch::async, [path] {
        Ahead a;
        a.path = path;
        a.stamp = StampOf(path);
        try {
            if (isPlain(a.stamp)) {
                a.lines = codec::Lines(ReadBytes(path));
                a.read = true;
            }
        } catch (...) {
            a.read = false;  // the reading in hand reports it
        }
        // Memory the reading freed; the allocator would keep it.
        malloc_trim(0);
        return a;
    });
}

codec::Lines ReadKeptLines(const QString& path) {
    const FileStamp stamp = StampOf(path);
    const bool plain = isPlain(stamp);
    if (ahead.valid()) {
        const Ahead a = ahead.get();
        if (a.read && plain && a.path == path && stamp == a.stamp) kept = {path, a.stamp, a.lines};
    }
    if (plain && path == kept.path && stamp == kept.stamp) return kept.lines;
    kept = Kept();
    bool ok = false;
    // Stamped before reading: a change while it reads shows at the next call.
    codec::Lines lines = readLines(path, &ok, [](const QByteArray& b) { return codec::Lines(b); });
    if (plain && ok) kept = {path, stamp, lines};
    return lines;
}

void EditFileFSO(const QString& path, const QString& newLine, const QString& matchLine, bool append,
                 bool replace, bool del, bool skipReading) {
    look::Trap trap("Main.EditFileFSO");
    QStringList old;
    QByteArray appended;  // the append, when it can be written from the file's bytes alone
    // Whatever stops the reading (memory running out too) leaves an existing file alone.
    bool readOk = skipReading;
    // The file as it is now, not as another writer is about to leave it.
    std::optional<Lock> lock;
    trap.at(100, [&] {
        lock.emplace();
        if (skipReading) return;
        if (append && !replace && !del && QFileInfo(path).isFile()) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                appended = codec::appendLine(file.readAll(), newLine);
            readOk = !appended.isNull() && file.error() == QFileDevice::NoError;
            if (readOk) return;
            appended.clear();
        }
        old = ReadFileToStringFSOLine(path, &readOk);
        // A file that is there but unreadable must not be replaced by what little was read.
        if (!readOk && FileExists(path)) throw look::Failure(look::failures::PathFileAccessError);
    });
    if (!lock || (!readOk && FileExists(path))) return;
    if (append) {
        trap.at(102, [&] {
            if (!appended.isNull())
                WriteBytes(path, appended);
            else
                WriteLines(path, QStringList(old) << newLine);
        });
    }
    if (replace) {
        trap.at(104, [&] {
            QStringList lines = old;
            for (QString& line : lines)
                if (line == matchLine) line = newLine;
            WriteLines(path, lines);
        });
    }
    if (del) {
        trap.at(106, [&] {
            QStringList lines;
            for (const QString& line : old)
                if (line != matchLine) lines.append(line);
            WriteLines(path, lines);
        });
    }
}

void AppendLines(const QString& path, const QString& header, const QStringList& lines) {
    Lock lock;
    if (!FileExists(path)) return WriteLines(path, QStringList(header) + lines);
    const QByteArray bytes = ReadBytes(path);
    // One card, the common case, is added to the bytes as they are: a large set is not decoded.
    const QByteArray appended =
        lines.size() == 1 ? codec::appendLine(bytes, lines.first()) : QByteArray();
    if (!appended.isNull()) return WriteBytes(path, appended);
    WriteLines(path, codec::splitLines(codec::decode(bytes)) + lines);
}

bool EditLineAt(const QString& path, int index, const QString& asStored, const QString& newLine,
                bool del) {
    Lock lock;
    QStringList lines = codec::splitLines(codec::decode(ReadBytes(path)));
    if (index < 1 || index >= lines.size() || lines[index] != asStored) return false;
    if (del)
        lines.removeAt(index);
    else
        lines[index] = newLine;
    WriteLines(path, lines);
    return true;
}

QString MakeSetFileName(const QString& text) {
    static const QString removed = QStringLiteral("\t\r\n/\\*:?<>|\"");
    QString name;
    for (char32_t c : text.toUcs4()) {
        const int b = codec::windows1252Byte(c);
        const bool keep =
            b >= 0 ? (b >= 32 && b <= 126) || (b >= 160 && b <= 255) : QChar::isPrint(c);
        if (!keep) continue;
        if (c < 0x80 && removed.contains(QChar(c))) continue;
        name += QString::fromUcs4(&c, 1);
    }
    return name + QStringLiteral(".dat");
}

QString PartFile(const QString& path) { return path + QStringLiteral(".part"); }

void FinishSetFile(const QString& path) {
    const QString part = PartFile(path);
    if (FileExists(path) || !QFileInfo(part).isFile()) return;
    errno = 0;
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0)
        look::throwFileFailure(errno);
}

void RemoveFile(const QString& path) {
    forget(path);
    // Waiting events do not run first: a click or a key could re-enter a half-done operation.
    if (!QFile::remove(path)) DeleteFileFSO(path);
}

void DeleteFileFSO(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() && !info.isSymLink()) return;
    QFile::setPermissions(path, info.permissions() | QFileDevice::WriteOwner);
    QFile::remove(path);
}

bool FileExists(const QString& path) {
    struct stat state;
    return statFile(path, &state);
}

void CopyFile(const QString& source, const QString& destination) {
    const QByteArray bytes = ReadBytes(source);
    // A destination that holds these bytes already is left alone: a rewrite would only cost a
    // sync to disk, at every start.
    QFile old(destination);
    if (QFileInfo(destination).isFile() && old.size() == bytes.size() &&
        old.open(QIODevice::ReadOnly) && old.readAll() == bytes)
        return;
    WriteBytes(destination, bytes);
}

void WriteLines(const QString& path, const QStringList& lines) {
    WriteBytes(path, codec::encode(codec::joinLines(lines)));
}

}  // namespace Main
