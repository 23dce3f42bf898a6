#pragma once

#include <QString>
#include <stdexcept>

namespace look {

// A failure that a trapped procedure reports. The description is the short platform-style
// text the user sees on the first line of the report.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description);
    QString description() const { return QString::fromUtf8(what()); }
};

// The descriptions, in one place so that every report words the same failure the same way.
namespace failures {
inline const char* const FileNotFound = "File not found";
inline const char* const PathNotFound = "Path not found";
inline const char* const PermissionDenied = "Permission denied";
inline const char* const PathFileAccessError = "Path/File access error";
inline const char* const BadFileName = "Bad file name or number";
inline const char* const DiskFull = "Disk full";
inline const char* const DeviceIOError = "Device I/O error";
inline const char* const SubscriptOutOfRange = "Subscript out of range";
inline const char* const TypeMismatch = "Type mismatch";
inline const char* const Overflow = "Overflow";
inline const char* const OutOfMemory = "Out of memory";
inline const char* const InvalidPicture = "Invalid picture";
// Another process is changing the card files.
inline const char* const FolderInUse = "Card folder in use";
}  // namespace failures

// Throws the failure that describes errno-style error `code` met while working on a file.
[[noreturn]] void throwFileFailure(int code);

}  // namespace look
