#pragma once

#include "Codec.h"

#include <sys/stat.h>
#include <QString>
#include <QStringList>

// Reading, rewriting, naming, copying, deleting and testing the program's files.
namespace Main {

// The folder of the installed files: the executable's folder unless set otherwise (--folder).
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
// The path of the installed file `name` (default.dat, the picture, the cursor ...).
QString InstalledFile(const QString& name);

// The folder of the user's card files: the program folder when it was set or the user can write
// to it, otherwise $XDG_DATA_HOME/quorvane, made when missing.
QString CardFolder();
// The path of `name` inside the card folder.
QString ProgramFile(const QString& name);

// True when `name` is a plain file name that stays inside the card folder.
bool IsBareFileName(const QString& name);
// True for the name of a set's own card file: a bare name in the card folder and none of the
// program's four fixed files, which no set may write or delete.
bool IsOwnSetFileName(const QString& name);

// What tells whether a file has changed without reading it: its identity, size and time stamps
// (a rewrite by this program, or a sync tool's, makes a new file). Equal for two missing files.
struct FileStamp {
    bool exists = false;
    struct stat state = {};
    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp StampOf(const QString& path);

// The lines of a text file, without line ends. A failure is reported here and gives the lines
// read so far (none for a file that cannot be opened); `ok`, when given, tells whether it read
// the whole file. Anything but a plain file (a folder, a pipe, a device) fails.
QStringList ReadFileToStringFSOLine(const QString& path, bool* ok = nullptr);

// ReadFileToStringFSOLine for a file read again and again: the lines of the last whole read
// of `path` while the file has not changed since (the same inode, size and time stamps; a
// rewrite by this program makes a new file, and forgets the lines too). One file is kept.
codec::Lines ReadKeptLines(const QString& path);
// Starts reading the lines of `path` on another thread, for the next ReadKeptLines of it to take
// while the file is as it was when the reading began. Failures are left to that call.
void ReadKeptLinesAhead(const QString& path);

// Rewrites a text file with `newLine` appended (append), in place of every line equal to
// `matchLine` (replace) or with every such line left out (del). With skipReading the old
// content is not read: append then makes a file of the new line alone. The file is replaced
// atomically; when the old content cannot be read, an existing file is left alone.
void EditFileFSO(const QString& path, const QString& newLine, const QString& matchLine, bool append,
                 bool replace, bool del, bool skipReading);

// Appends `lines` to the file `path` as it is now (an 8-bit file keeps every byte it had), or
// makes it of `header` and them when it is missing; under the card folder's lock. A file that
// is there but cannot be read is left alone. Throws look::Failure.
void AppendLines(const QString& path, const QString& header, const QStringList& lines);

// Rewrites `path` with its line `index` replaced by `newLine`, or left out with `del`, provided
// that line still reads `asStored`: no other line, equal or not, and never the header line (0).
// False, with nothing written, when the line is no longer there. Throws look::Failure.
bool EditLineAt(const QString& path, int index, const QString& asStored, const QString& newLine,
                bool del);

// The card file name of a new set whose topics, joined, are `text`.
QString MakeSetFileName(const QString& text);

// Where an import writes a new set's cards before the set's line names them.
QString PartFile(const QString& path);
// Puts the set file `path` in place from its part file, when an import was cut short after the
// set's line named it and before the file was there. Throws look::Failure.
void FinishSetFile(const QString& path);

// Deletes a file; a missing file or one that cannot be deleted is left silently.
void RemoveFile(const QString& path);
// The forced delete RemoveFile falls back on: also removes a file without write permission.
void DeleteFileFSO(const QString& path);

// True when something exists at `path`; never fails.
bool FileExists(const QString& path);

// Replaces `destination` by a copy of `source`. Throws look::Failure.
void CopyFile(const QString& source, const QString& destination);

// The bytes of a plain file (anything else fails). Throws look::Failure.
QByteArray ReadBytes(const QString& path);

// The one file writer: replaces `path` by `bytes`, atomically, so that a failure leaves the old
// file whole. Throws look::Failure.
void WriteBytes(const QString& path, const QByteArray& bytes);
// WriteBytes of the parts joined, which need not be in memory joined.
void WriteBytes(const QString& path, const QList<QByteArrayView>& parts);
// Replaces `path` by `lines` (CR LF after each) in the card files' encoding, through WriteBytes.
void WriteLines(const QString& path, const QStringList& lines);
// The same for text given as UTF-8 parts that end at line ends (CR LF after each line), such as
// a large import's card lines, which need not be decoded for it.
void WriteUtf8(const QString& path, const QList<QByteArrayView>& parts);

}  // namespace Main
