#include "Lock.h"

#include "Failure.h"
#include "Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <map>

namespace Main {
namespace {

struct Held {
    int fd = -1;
    int depth = 0;
};
std::map<QString, Held> held;  // by lock file

// Long enough for the largest import another copy may be writing.
constexpr int kWaitMs = 30000;

}  // namespace

QString RuntimeFile(const QString& path, const char* suffix) {
    const QFileInfo info(path);
    QString guarded = info.canonicalFilePath();
    if (guarded.isEmpty()) {  // a file not made yet: its folder names it
        const QString folder = QDir(info.absolutePath()).canonicalPath();
        guarded =
            (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
    }
    // Qt's own default for a missing runtime folder warns on standard error, which the command
    // line keeps for its answers.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::tempPath();
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(guarded), QCryptographicHash::Sha1).toHex();
    return folder + QStringLiteral("/quorvane-%1-%2.%3")
                        .arg(::getuid())
                        .arg(QString::fromLatin1(hash.left(20)), QLatin1String(suffix));
}

Lock::Lock(const QString& path) : file_(RuntimeFile(path.isEmpty() ? CardFolder() : path, "lock")) {
    Held& h = held[file_];
    if (h.depth++ > 0) return;
    // The kernel's lock on an open file ends with the process that holds it, however it ends:
    // no lock is ever left behind.
    const int fd = ::open(QFile::encodeName(file_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    const QDeadlineTimer deadline(kWaitMs);
    for (int pauseMs = 1; fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0;
         pauseMs = qMin(pauseMs * 2, 50)) {
        const bool busy = fd >= 0 && (errno == EWOULDBLOCK || errno == EINTR);
        if (!busy || deadline.hasExpired()) {
            if (fd >= 0) ::close(fd);
            held.erase(file_);
            throw look::Failure(busy ? look::failures::FolderInUse
                                     : look::failures::PermissionDenied);
        }
        ::usleep(useconds_t(pauseMs) * 1000);
    }
    h.fd = fd;
}

Lock::~Lock() {
    const auto it = held.find(file_);
    if (it == held.end() || --it->second.depth > 0) return;
    ::close(it->second.fd);  // unlocks
    held.erase(it);
}

}  // namespace Main
