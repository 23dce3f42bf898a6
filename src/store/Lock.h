#pragma once

#include <QString>

namespace Main {

// A file of this user's runtime folder named after `path` (its canonical form) and `suffix`:
// the place of its lock, or of another thing that belongs to it on this computer alone.
QString RuntimeFile(const QString& path, const char* suffix);

// One writer at a time for the card folder (or for another file, such as the settings), across
// the processes of this computer: a change is read, made and written while the lock is held.
// The lock file lives in the user's runtime folder, named after the path it guards, so that a
// file-sync tool never carries it to another computer; the lock ends with the process that holds
// it, so a crash never leaves the folder locked. Holders nested in one process share one lock.
class Lock {
public:
    // Waits for the lock of `path`, the card folder when empty. Throws look::Failure when another
    // process keeps it for too long, or when no lock can be made.
    explicit Lock(const QString& path = {});
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    QString file_;
};

}  // namespace Main
